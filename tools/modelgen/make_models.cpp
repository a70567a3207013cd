// make_models <description> <output directory>: writes the model files a description names.
//
// The description is read line by line; '#' starts a comment. Lengths are in model units,
// angles in degrees, axes are x, y or z. A file statement starts a file, which is written
// when the next one starts or at the end; paths are relative to the output directory.
//
//   geo <path>                          a static geometry (".geo")
//   box x0 y0 z0 x1 y1 z1               an axis-aligned box
//   strip ox oy oz ax ay az cx cy cz n  n quads from o, each a long and c wide, facing a x c
//   locator <name> x y z [<axis> <deg>] a locator at (x, y z), optionally turned
//   skeleton <path>                     a skeleton (".skl"); frame 0 is the bind pose
//   joint <name> <parent|-> x y z       a joint placed relative to its parent in the bind pose
//   frame                               a new frame, starting as a copy of the bind pose
//   turn <joint> <axis> <deg>           in the newest frame, turns the joint about its own axis
//   sgm <path>                          a skinned geometry over the current skeleton's joints
//   skinbox <joint> x0 y0 z0 x1 y1 z1   a box in model space bound wholly to the joint
#include "tools/modelgen/modelgen.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

using namespace modelgen;

namespace {

struct builder
{
    std::string out_dir;
    std::string kind, path;
    static_desc geo;
    skeleton_desc skeleton;
    std::vector<vec3> bind_offsets;
    skinned_desc sgm;

    bool flush()
    {
        bool ok = true;
        if (kind == "geo")
            ok = write_file(out_dir + "/" + path, static_file(geo));
        else if (kind == "skeleton")
            ok = write_file(out_dir + "/" + path, skeleton_file(skeleton));
        else if (kind == "sgm")
            ok = write_file(out_dir + "/" + path, skinned_file(sgm));
        if (!ok)
            std::fprintf(stderr, "make_models: cannot write %s/%s\n", out_dir.c_str(), path.c_str());
        kind.clear();
        return ok;
    }

    int joint(const std::string &name) const
    {
        for (size_t j = 0; j < skeleton.joints.size(); ++j)
            if (skeleton.joints[j].name == name)
                return int(j);
        return -1;
    }
};

float radians(float degrees)
{
    return degrees * ENGINE_PI / 180.0f;
}

bool read_vec(std::istringstream &in, vec3 &v)
{
    return bool(in >> v.x >> v.y >> v.z);
}

// One statement; false on a malformed one.
bool statement(builder &b, const std::string &word, std::istringstream &in)
{
    vec3 p, q, r;
    std::string name, axis;
    float degrees;
    int n;
    if (word == "geo" || word == "skeleton" || word == "sgm") {
        if (!(in >> name) || !b.flush())
            return false;
        if (word == "skeleton") {
            b.skeleton = {};
            b.bind_offsets.clear();
        }
        if (word == "sgm") {
            b.sgm = {};
            for (const joint_desc &j : b.skeleton.joints)
                b.sgm.tags.push_back(j.name);
        }
        if (word == "geo")
            b.geo = {};
        b.kind = word;
        b.path = name;
        return true;
    }
    if (word == "box" && b.kind == "geo" && read_vec(in, p) && read_vec(in, q)) {
        add_box(b.geo, p, q);
        return true;
    }
    if (word == "strip" && b.kind == "geo" && read_vec(in, p) && read_vec(in, q) && read_vec(in, r) && in >> n &&
        n > 0) {
        add_quad_strip(b.geo, p, q, r, n);
        return true;
    }
    if (word == "locator" && b.kind == "geo" && in >> name && read_vec(in, p)) {
        matrix_c m = translation(p);
        if (in >> axis >> degrees)
            m = product(rotation(axis[0], radians(degrees)), m);
        b.geo.locators.push_back({name, m});
        return true;
    }
    if (word == "joint" && b.kind == "skeleton" && b.skeleton.frames.size() <= 1 && in >> name >> axis &&
        read_vec(in, p)) {
        const int parent = axis == "-" ? -1 : b.joint(axis);
        if (axis != "-" && parent < 0)
            return false;
        b.skeleton.joints.push_back({name, parent});
        b.bind_offsets.push_back(p);
        b.skeleton.frames.resize(1);
        b.skeleton.frames[0].push_back(translation(p));
        return true;
    }
    if (word == "frame" && b.kind == "skeleton" && !b.skeleton.frames.empty()) {
        b.skeleton.frames.push_back(b.skeleton.frames[0]);
        return true;
    }
    if (word == "turn" && b.kind == "skeleton" && b.skeleton.frames.size() > 1 && in >> name >> axis >> degrees) {
        const int j = b.joint(name);
        if (j < 0)
            return false;
        matrix_c &m = b.skeleton.frames.back()[j];
        m = product(rotation(axis[0], radians(degrees)), m);
        return true;
    }
    if (word == "skinbox" && b.kind == "sgm" && in >> name && read_vec(in, p) && read_vec(in, q)) {
        const int j = b.joint(name);
        if (j < 0)
            return false;
        add_skinned_box(b.sgm, p, q, j);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_models <description> <output directory>\n");
        return 2;
    }
    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "make_models: cannot read %s\n", argv[1]);
        return 1;
    }
    builder b;
    b.out_dir = argv[2];
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = line.substr(0, line.find('#'));
        std::istringstream in(line);
        std::string word;
        if (!(in >> word))
            continue;
        if (!statement(b, word, in)) {
            std::fprintf(stderr, "%s:%d: cannot use '%s'\n", argv[1], number, line.c_str());
            return 1;
        }
    }
    return b.flush() ? 0 : 1;
}
