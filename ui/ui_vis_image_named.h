// named_multistate_image (script class "named_multistate_image"): a multistate_image that
// screens address by its `name` (compared byte for byte; an image without `name` matches no
// name, so such messages pass it by):
//   set_state name, INT column, INT row   shows that column, then that row, each ignored
//                                         when out of range (1; another name: the image's
//                                         handler, which gives 0)
//   show_named INT visible, name          shows or hides the image and all its children (1;
//                                         another name: 0)
// Every other message is the image's.
#pragma once

#include "ui/ui_vis_image.h"

class named_multistate_image : public multistate_image
{
public:
    named_multistate_image(abstract_c *parent, const attribute_list_c *attributes)
        : multistate_image(parent, attributes)
    {
    }

    int handle_message(const msg_c *message, abstract_c *sender) override;
};
