// Loading scripts: a 10 MB script of 40,000 objects, against the same content as JSON.
//
//   bench_script_load load       execute_script, against a RapidJSON DOM parse of the JSON
//                                plus building the same tree with the kernel's own calls
//                                (attribute lists, templates copied, create_object,
//                                creation_finished)
//   bench_script_load tokenize   the tokenizer reading every token of the script, against the
//                                RapidJSON SAX reader going through the JSON
//
// Each mode measures four shapes of the same objects: groups of one object and 39 children
// with LF line ends, the same with CR LF (as files written on Windows have them), and groups
// whose children hang in three chains 13 deep (the script indented accordingly), with LF and
// with CR LF. The JSON is the same content without white space in every shape.
//
// Both figures count the bytes of the script, so that the ratio is the ratio of the times.
// Each side reads its file from the disk as part of the work.
#include "bench/core/bench_util.h"
#include "basics/Tok.h"
#include "kernel/abstract.h"
#include "kernel/root.h"
#include "kernel/scripts.h"

#include <rapidjson/document.h>
#include <rapidjson/reader.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {

using namespace bench;

constexpr int GROUPS = 1000;
constexpr int CHILDREN = 39;  // 40,000 objects in all
constexpr int TEMPLATES = 8;

struct attr_s
{
    std::string type, name, value_isc, value_json;
};

// One object's attribute items, the same in both languages.
std::vector<attr_s> attributes_of(generator &g, int serial)
{
    std::vector<attr_s> a;
    char buf[160];
    const int count = int(g.between(0, 100000));
    a.push_back({"int", "count", std::to_string(count), std::to_string(count)});
    const float speed = float(g.between(0, 100000)) / 64.0f;
    std::snprintf(buf, sizeof buf, "%.6g", speed);
    a.push_back({"float", "speed", buf, buf});
    std::snprintf(buf, sizeof buf, "object number %d of the benchmark", serial);
    a.push_back({"string", "label", std::string("\"") + buf + "\"", std::string("\"") + buf + "\""});
    const float x = float(g.between(0, 4000)) / 8.0f, y = float(g.between(0, 4000)) / 8.0f,
                z = float(g.between(0, 4000)) / 8.0f;
    std::snprintf(buf, sizeof buf, "[%.6g %.6g %.6g]", x, y, z);
    std::string isc = buf;
    std::snprintf(buf, sizeof buf, "[%.6g,%.6g,%.6g]", x, y, z);
    a.push_back({"vec3", "position", isc, buf});
    std::snprintf(buf, sizeof buf, "[%u %u %u %u]", g.between(0, 1000), g.between(0, 700), g.between(1, 300),
                  g.between(1, 200));
    isc = buf;
    std::string json = isc;
    for (size_t i = 1; i + 1 < json.size(); ++i)
        if (json[i] == ' ')
            json[i] = ',';
    a.push_back({"rect", "area", isc, json});
    std::snprintf(buf, sizeof buf, "[%.6g %.6g]", x / 3, y / 3);
    isc = buf;
    std::snprintf(buf, sizeof buf, "[%.6g,%.6g]", x / 3, y / 3);
    a.push_back({"vec2", "scale", isc, buf});
    return a;
}

void append_object_isc(std::string &out, const std::vector<attr_s> &attrs, int tpl, const char *indent)
{
    out += indent;
    out += "create abstract : tpl" + std::to_string(tpl) + " {\n";
    for (const attr_s &a : attrs)
        out += std::string(indent) + "    " + a.type + " " + a.name + " = " + a.value_isc + ";\n";
    out += indent;
    out += "}";
}

void append_object_json(std::string &out, const std::vector<attr_s> &attrs, int tpl)
{
    out += "{\"class\":\"abstract\",\"template\":\"tpl" + std::to_string(tpl) + "\",\"attributes\":[";
    for (size_t i = 0; i < attrs.size(); ++i)
        out += std::string(i ? "," : "") + "[\"" + attrs[i].type + "\",\"" + attrs[i].name + "\"," +
               attrs[i].value_json + "]";
    out += "]";
}

struct shape_s
{
    const char *name;
    bool deep;
    bool crlf;
};

const shape_s shapes[] = {
    {"", false, false},
    {", CR LF", false, true},
    {", 13 deep", true, false},
    {", 13 deep, CR LF", true, true},
};

// `count` objects from serial on: the first, then the rest as its children; deep, the
// children form three chains, flat, they are all leaves.
void append_tree(std::string &isc, std::string &json, int &serial, int count, int tpl, bool deep, int level)
{
    const std::string indent(size_t(level) * 4, ' ');
    generator same(serial * 31 + 5), again(serial * 31 + 5);
    append_object_isc(isc, attributes_of(same, serial), tpl % TEMPLATES, indent.c_str());
    append_object_json(json, attributes_of(again, serial), tpl % TEMPLATES);
    ++serial;
    const int below = count - 1;
    if (below > 0) {
        isc += " children : {\n";
        json += ",\"children\":[";
        const int branches = deep && level == 0 ? 3 : deep ? 1 : below;
        for (int b = 0; b < branches; ++b) {
            const int size = below / branches + (b < below % branches ? 1 : 0);
            json += b ? "," : "";
            append_tree(isc, json, serial, size, level == 0 ? b : tpl + 1, deep, level + 1);
            isc += ";\n";
        }
        isc += indent + "}";
        json += "]";
    }
    json += "}";
}

void make_sources(std::string &isc, std::string &json, const shape_s &shape)
{
    isc = "// The benchmark's script: templates, then groups of objects with children.\n";
    json = "{\"templates\":[";
    for (int t = 0; t < TEMPLATES; ++t) {
        isc += "template tpl" + std::to_string(t) + " {\n    int kind = " + std::to_string(t) +
               ";\n    float weight = 0.5;\n    string group = \"template " + std::to_string(t) + "\";\n};\n";
        json += std::string(t ? "," : "") + "{\"name\":\"tpl" + std::to_string(t) +
                "\",\"attributes\":[[\"int\",\"kind\"," + std::to_string(t) +
                "],[\"float\",\"weight\",0.5],[\"string\",\"group\",\"template " + std::to_string(t) + "\"]]}";
    }
    json += "],\"objects\":[";
    int serial = 0;
    for (int group = 0; group < GROUPS; ++group) {
        append_tree(isc, json, serial, CHILDREN + 1, group, shape.deep, 0);
        isc += ";\n";
        json += group + 1 < GROUPS ? "," : "";
        if (group % 50 == 0)
            isc += "/* Fifty groups more. */\n";
    }
    json += "]}";
    if (shape.crlf) {
        std::string crlf;
        crlf.reserve(isc.size() + isc.size() / 16);
        for (char c : isc) {
            if (c == '\n')
                crlf += '\r';
            crlf += c;
        }
        isc.swap(crlf);
    }
}

std::string read_whole(const fs::path &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string data(fs::file_size(path), '\0');
    size_t got = 0;
    while (fd >= 0 && got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n <= 0)
            break;
        got += size_t(n);
    }
    ::close(fd);
    return data;
}

// ---- the reference: RapidJSON, then the kernel's calls ----

value_c json_value(const std::string &type, const rapidjson::Value &v)
{
    if (type == "int")
        return value_c(v.GetInt());
    if (type == "float")
        return value_c(v.GetFloat());
    if (type == "string")
        return value_c(v.GetString(), value_c::STRING);
    if (type == "vec2")
        return value_c(vec2(v[0].GetFloat(), v[1].GetFloat()));
    if (type == "vec3")
        return value_c(vec3(v[0].GetFloat(), v[1].GetFloat(), v[2].GetFloat()));
    const float x = v[0].GetFloat(), y = v[1].GetFloat();
    return value_c(rect(x, y, x + v[2].GetFloat(), y + v[3].GetFloat()));
}

void json_attributes(attribute_list_c &list, const rapidjson::Value &items, const attribute_list_c *base)
{
    if (base)
        copy_attributes(list, base);
    for (const rapidjson::Value &item : items.GetArray())
        set_attribute_by_id(list, string_to_id(item[1].GetString()), json_value(item[0].GetString(), item[2]));
}

void json_objects(const rapidjson::Value &objects, abstract_c *parent,
                  const std::map<std::string, attribute_list_c> &templates)
{
    for (const rapidjson::Value &o : objects.GetArray()) {
        attribute_list_c list;
        json_attributes(list, o["attributes"], &templates.at(o["template"].GetString()));
        abstract_c *object = create_object(o["class"].GetString(), parent, &list);
        if (o.HasMember("children"))
            json_objects(o["children"], object, templates);
        object->message(MSG_VAR(creation_finished), 0, nullptr, MSG_ARGS_END);
    }
}

void load_json(const fs::path &path, abstract_c *parent)
{
    const std::string text = read_whole(path);
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    if (doc.HasParseError()) {
        std::fprintf(stderr, "bench_script_load: bad JSON\n");
        std::exit(1);
    }
    std::map<std::string, attribute_list_c> templates;
    for (const rapidjson::Value &t : doc["templates"].GetArray())
        json_attributes(templates[t["name"].GetString()], t["attributes"], nullptr);
    json_objects(doc["objects"], parent, templates);
}

struct count_handler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, count_handler>
{
    bool Default()
    {
        ++tokens;
        return true;
    }
    size_t tokens = 0;
};

size_t tokenize_json(const fs::path &path)
{
    const std::string text = read_whole(path);
    rapidjson::Reader reader;
    rapidjson::StringStream in(text.c_str());
    count_handler handler;
    reader.Parse(in, handler);
    return handler.tokens;
}

// ---- the project ----

// Every token of the script, each read by the reader for its kind.
size_t tokenize_isc(const char *name)
{
    tok_c tok(name);
    size_t tokens = 0;
    char text[512];
    for (; !tok.skip_space(); ++tokens) {
        const int c = tok.peek_char();
        int ok;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')
            ok = tok.parse_identifier(text, sizeof text);
        else if ((c >= '0' && c <= '9') || c == '-' || c == '+') {
            float f;
            ok = tok.parse_float(&f);
        } else if (c == '"')
            ok = tok.parse_string(text, sizeof text);
        else
            ok = tok.parse_symbol(text);
        if (!ok) {
            std::fprintf(stderr, "bench_script_load: the tokenizer stopped at %s\n", tok.position_string());
            std::exit(1);
        }
    }
    return tokens;
}

int count_objects(abstract_c *o)
{
    int n = 0;
    for (abstract_c *c = o->first_child(); c; c = c->next_sibling())
        n += 1 + count_objects(c);
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "load";
    // Fewer rounds for a run under callgrind (0: the one round that warms the caches).
    const int rounds = argc > 2 ? std::atoi(argv[2]) : -1;
    if ((mode != "load" && mode != "tokenize") || rounds < -1 || rounds > 1000) {
        std::fprintf(stderr, "usage: bench_script_load [load|tokenize] [rounds]\n");
        return 2;
    }
    kernel_register_creators();
    scratch_dir dir("script");
    const fs::path start = fs::current_path();
    fs::current_path(dir.path());
    int failed = 0;
    for (const shape_s &shape : shapes) {
        std::string isc, json;
        make_sources(isc, json, shape);
        write_file(dir.path() / "data/bench.isc", isc);
        write_file(dir.path() / "bench.json", json);
        const double megabytes = double(isc.size()) / 1e6;
        char what[96];
        if (mode == "load") {
            scripts_c scripts;
            std::vector<double> t = alternate(rounds >= 0 ? rounds : 9, {
                [&] {
                    abstract_c parent(nullptr);
                    scripts.execute_script("bench.isc", &parent, 0);
                    if (count_objects(&parent) != GROUPS * (CHILDREN + 1))
                        std::exit(1);
                },
                [&] {
                    abstract_c parent(nullptr);
                    load_json(dir.path() / "bench.json", &parent);
                    if (count_objects(&parent) != GROUPS * (CHILDREN + 1))
                        std::exit(1);
                },
            });
            std::snprintf(what, sizeof what, "loading a %.1f MB script%s", megabytes, shape.name);
            report(what, megabytes / t[0], megabytes / t[1], "MB/s", "RapidJSON", ">= 1.0");
        } else {
            size_t a = 0, b = 0;
            std::vector<double> t = alternate(rounds >= 0 ? rounds : 15, {
                [&] { a = tokenize_isc("bench.isc"); },
                [&] { b = tokenize_json(dir.path() / "bench.json"); },
            });
            std::snprintf(what, sizeof what, "tokenizing a %.1f MB script%s", megabytes, shape.name);
            report(what, megabytes / t[0], megabytes / t[1], "MB/s", "RapidJSON", ">= 0.5");
            failed |= a == 0 || b == 0;
        }
    }
    fs::current_path(start);
    return failed;
}
