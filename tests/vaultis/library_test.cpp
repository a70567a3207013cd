// The library as a whole: its exports, the version check and auto_file.
#include "kernel/exception.h"
#include "vaultis/Vaultis.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace fixture;

TEST(vt_library, exports_every_function_and_auto_file_member_and_nothing_of_the_platform)
{
    std::FILE *nm = popen("nm -DC --defined-only '" VAULTIS_LIBRARY "'", "r");
    ASSERT_NE(nm, nullptr);
    std::string out;
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, nm))
        out.append(buf, n);
    ASSERT_EQ(pclose(nm), 0);
    const char *exported[] = {
        "VT::init(char const*)", "VT::done()", "VT::open(char const*)", "VT::rewrite(char const*)",
        "VT::close(int)", "VT::size(int)", "VT::time(int, SYSTEMTIME*)", "VT::read(int, void*, unsigned long)",
        "VT::write(int, void const*, unsigned long)", "VT::seek(int, unsigned long)", "VT::exist(char const*)",
        "VT::erase(char const*)", "VT::pack_num()", "VT::get_pack_name(int)", "VT::get_pack_file_num(int)",
        "VT::get_pack_file_name(int, int)", "VT::create_pack(char const*)", "VT::check_dll_version(int)",
        "VT::auto_file::auto_file()", "VT::auto_file::auto_file(int)", "VT::auto_file::~auto_file()",
        "VT::auto_file::close()", "VT::auto_file::operator int() const", "VT::auto_file::operator=(int)",
        "VT::auto_file::operator=(VT::auto_file&)", "VT::auto_file::operator!() const",
        "typeinfo for exception_c"};
    for (const char *name : exported)
        EXPECT_NE(out.find(std::string(" ") + name + "\n"), std::string::npos) << name;
    EXPECT_EQ(out.find("sys_file"), std::string::npos);
    EXPECT_EQ(out.find("find_in_pack"), std::string::npos);
}

TEST(vt_library, check_dll_version_throws_for_any_other_version)
{
    EXPECT_NO_THROW(VT::check_dll_version(2));
    for (int required : {3, 1, -1}) {
        try {
            VT::check_dll_version(required);
            ADD_FAILURE() << "no throw for " << required;
        } catch (const exception_c &e) {
            EXPECT_EQ(e.get_message(), "Invalid VAULTIS.DLL version - current version is 2, required version " +
                                           std::to_string(required));
            EXPECT_EQ(e.source_file(), "vaultis/Vaultis.cpp");
        }
    }
}

TEST(vt_library, auto_file_owns_one_handle)
{
    temp_dir dir;
    in_dir enter(dir.path());
    VT::init(nullptr);
    for (const char *name : {"a", "b", "c", "d"})
        write_file(name, name);
    int ha;
    {
        VT::auto_file a(VT::open("a"));
        ha = a;
        EXPECT_NE(ha, 0);
        EXPECT_FALSE(!a);
    }
    EXPECT_EQ(VT::close(ha), 0);  // closed by the destructor

    VT::auto_file none;
    EXPECT_TRUE(!none);
    EXPECT_EQ(int(none), 0);

    VT::auto_file a, b;
    int h1 = VT::open("a"), h2 = VT::open("b");
    EXPECT_EQ(a = h1, h1);
    EXPECT_EQ(a = h2, h2);        // a number replaces without closing
    EXPECT_EQ(VT::close(h1), 1);  // so h1 was still open
    b = VT::open("c");
    int hc = b;
    a = b;  // a takes b's handle and gives up its own
    EXPECT_EQ(int(a), hc);
    EXPECT_EQ(int(b), 0);
    EXPECT_EQ(VT::close(h2), 0);
    a = a;
    EXPECT_EQ(int(a), hc);
    a.close();
    EXPECT_TRUE(!a);
    EXPECT_EQ(VT::close(hc), 0);
    a.close();  // nothing held: nothing happens
    b.close();
}
