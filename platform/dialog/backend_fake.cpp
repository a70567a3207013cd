#include "platform/dialog/dialog_core.h"
#include "platform/dialog/dialog_fake.h"

namespace {

std::vector<dialog_fake_action> g_script;
dialog_fake_view g_view;
std::vector<dialog_fake_message_box> g_boxes;

dialog_fake_view view_of(platform_dialog_s &d)
{
    dialog_fake_view v;
    v.shown = true;
    v.caption = d.tpl->caption ? d.tpl->caption : "";
    for (const auto &c : d.controls) {
        if (c.item.kind == DLG_DROPDOWN_LIST) {
            v.lists[c.item.id] = c.rows;
            v.selections[c.item.id] = c.selection;
        } else if (c.item.kind == DLG_CHECKBOX_LEFT) {
            v.checks[c.item.id] = c.check;
        }
    }
    v.big_icon = d.icons[ICON_BIG];
    v.small_icon = d.icons[ICON_SMALL];
    return v;
}

struct fake_backend_s : dialog_backend_s
{
    bool run(platform_dialog_s &d) override
    {
        d.init();
        g_view = view_of(d);
        for (size_t i = 0; i < g_script.size() && !d.ended; ++i) {
            const dialog_fake_action &a = g_script[i];
            switch (a.kind) {
            case dialog_fake_action::CLICK: d.click(a.id); break;
            case dialog_fake_action::SELECT: d.select(a.id, a.row); break;
            case dialog_fake_action::CLOSE:
            case dialog_fake_action::ESCAPE: d.close(); break;
            case dialog_fake_action::ENTER: d.enter(); break;
            }
        }
        g_script.clear();
        if (d.ended)
            return true;
        d.close();
        return d.ended;
    }
    void message_box(const char *text, const char *caption, UINT type) override
    {
        g_boxes.push_back({text, caption, type});
    }
};

} // namespace

dialog_backend_s &dialog_fake_backend()
{
    static fake_backend_s backend;
    return backend;
}

void dialog_fake_script(const std::vector<dialog_fake_action> &actions)
{
    g_script = actions;
    g_view = {};
    g_boxes.clear();
}

const dialog_fake_view &dialog_fake_first_view()
{
    return g_view;
}

const std::vector<dialog_fake_message_box> &dialog_fake_message_boxes()
{
    return g_boxes;
}
