// The registry's file store: keys as directories, values as files written whole, names that
// cannot leave their key, and the failures a caller must see as failures.
#include "platform/registry/winreg.h"
#include "tests/vaultis/pack_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <sys/stat.h>

using namespace fixture;

namespace {

const char *const game_key = "Software\\Varnholt\\Telvoran";

class registry_test : public ::testing::Test
{
protected:
    void SetUp() override { reg_set_root(m_root.str().c_str()); }
    void TearDown() override { reg_set_root(nullptr); }

    HKEY create(const char *sub_key = game_key, DWORD *disposition = nullptr)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub_key, 0, (char *)"", 0, KEY_ALL_ACCESS, nullptr, &key,
                                  disposition),
                  ERROR_SUCCESS);
        return key;
    }
    static LONG set(HKEY key, const char *name, const std::string &bytes)
    {
        return RegSetValueExA(key, name, 0, REG_BINARY, (const BYTE *)bytes.data(), DWORD(bytes.size()));
    }
    static std::optional<std::string> get(HKEY key, const char *name)
    {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::string bytes(size, '\0');
        DWORD type = 0;
        EXPECT_EQ(RegQueryValueExA(key, name, nullptr, &type, (BYTE *)bytes.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(type, REG_BINARY);
        bytes.resize(size);
        return bytes;
    }
    fs::path key_dir() const { return m_root.path() / "Varnholt" / "Telvoran"; }
    // Every entry below the root, as paths relative to it.
    std::set<std::string> tree() const
    {
        std::set<std::string> out;
        for (const auto &e : fs::recursive_directory_iterator(m_root.path()))
            out.insert(fs::relative(e.path(), m_root.path()).string());
        return out;
    }

    temp_dir m_root;
};

TEST_F(registry_test, a_missing_key_opens_only_after_it_was_created)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, KEY_ALL_ACCESS, &key), ERROR_FILE_NOT_FOUND);
    DWORD disposition = 0;
    HKEY made = create(game_key, &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_TRUE(fs::is_directory(key_dir()));
    EXPECT_EQ(RegCloseKey(made), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(create(game_key, &disposition)), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "a closed handle is no handle";
}

TEST_F(registry_test, a_value_is_a_file_of_its_bytes_and_reads_back_whole)
{
    HKEY key = create();
    std::string bytes = pattern(4 + 164 * 5);
    bytes[7] = '\0';
    ASSERT_EQ(set(key, "Hiscore", bytes), ERROR_SUCCESS);
    EXPECT_EQ(read_file(key_dir() / "Hiscore"), bytes);
    EXPECT_EQ(get(key, "Hiscore"), bytes);
    EXPECT_EQ(get(key, "History"), std::nullopt);

    // A buffer too small: the size is reported and the buffer is left alone.
    std::string small(10, 'x');
    DWORD size = DWORD(small.size());
    EXPECT_EQ(RegQueryValueExA(key, "Hiscore", nullptr, nullptr, (BYTE *)small.data(), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, bytes.size());
    EXPECT_EQ(small, std::string(10, 'x'));

    // A shorter value replaces the longer one entirely; an empty one is a value too.
    ASSERT_EQ(set(key, "Hiscore", "abc"), ERROR_SUCCESS);
    EXPECT_EQ(get(key, "Hiscore"), "abc");
    ASSERT_EQ(set(key, "Hiscore", ""), ERROR_SUCCESS);
    EXPECT_EQ(get(key, "Hiscore"), "");
    EXPECT_EQ(tree(), (std::set<std::string>{"Varnholt", "Varnholt/Telvoran", "Varnholt/Telvoran/Hiscore"}))
        << "no temporary file stays behind";
    RegCloseKey(key);
}

TEST_F(registry_test, names_stay_inside_their_key)
{
    struct case_s
    {
        const char *name;
        const char *file;
    };
    const case_s cases[] = {
        {"Options", "Options"},  {"a/b", "a%2Fb"},       {"..", "%2E."},     {".", "%2E"},
        {"../../x", "%2E.%2F..%2Fx"}, {".hidden", "%2Ehidden"}, {"50%", "50%25"}, {"%2F", "%252F"},
        {"x..y", "x..y"},        {"\xc8\xe3\xf0\xe0", "\xc8\xe3\xf0\xe0"},
    };
    HKEY key = create();
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(set(key, c.name, c.name), ERROR_SUCCESS);
        EXPECT_EQ(read_file(key_dir() / c.file), c.name);
    }
    for (const case_s &c : cases)
        EXPECT_EQ(get(key, c.name), c.name) << "each name is a value of its own";
    EXPECT_EQ(tree().size(), 2 + std::size(cases)) << "nothing outside the key's directory";

    // Key components are made safe the same way.
    RegCloseKey(create("Software\\..\\a/b"));
    EXPECT_TRUE(fs::is_directory(m_root.path() / "%2E." / "a%2Fb"));

    for (const char *bad : {"", (const char *)nullptr}) {
        EXPECT_EQ(set(key, bad, "x"), ERROR_INVALID_PARAMETER);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExA(key, bad, nullptr, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
    }
    HKEY other = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\\\x", 0, nullptr, 0, 0, nullptr, &other, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(registry_test, only_keys_under_software_exist)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Environment", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(tree(), std::set<std::string>{});

    // "Software" in any case is the root; a key opens relative to another one.
    HKEY software = create("SOFTWARE");
    ASSERT_NE(software, nullptr);
    ASSERT_EQ(RegCreateKeyExA(software, "Varnholt\\Telvoran", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(set(key, "Options", "24"), ERROR_SUCCESS);
    EXPECT_EQ(read_file(key_dir() / "Options"), "24");
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, "", 0, 0, &again), ERROR_SUCCESS);
    EXPECT_EQ(get(again, "Options"), "24");
    for (HKEY k : {software, key, again})
        EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);

    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Options", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(set(HKEY_CURRENT_USER, "Options", "x"), ERROR_INVALID_HANDLE);
}

TEST_F(registry_test, the_root_follows_the_environment_without_an_override)
{
    temp_dir home;
    const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char *saved_config_raw = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> saved_config =
        saved_config_raw ? std::optional<std::string>(saved_config_raw) : std::nullopt;
    reg_set_root(nullptr);
    setenv("HOME", home.str().c_str(), 1);

    struct case_s
    {
        const char *config_home; // null: unset
        fs::path where;
    };
    const std::string root = m_root.str();
    const case_s cases[] = {
        {nullptr, home.path() / ".config"},
        {"relative/dir", home.path() / ".config"}, // not an absolute path: ignored
        {root.c_str(), m_root.path()},
    };
    for (const case_s &c : cases) {
        SCOPED_TRACE(c.config_home ? c.config_home : "(unset)");
        if (c.config_home)
            setenv("XDG_CONFIG_HOME", c.config_home, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        HKEY key = create();
        ASSERT_EQ(set(key, "Options", c.where.string()), ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(read_file(c.where / "Varnholt" / "Telvoran" / "Options"), c.where.string());
    }

    setenv("HOME", saved_home.c_str(), 1);
    if (saved_config)
        setenv("XDG_CONFIG_HOME", saved_config->c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(registry_test, a_failing_write_keeps_the_old_value_and_says_so)
{
    HKEY key = create();
    ASSERT_EQ(set(key, "History", "old"), ERROR_SUCCESS);
    // Something that is not a file where a value belongs (works for root as well).
    fs::create_directory(key_dir() / "Hiscore");
    EXPECT_NE(set(key, "Hiscore", "new"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(key_dir() / "Hiscore"));
    EXPECT_EQ(get(key, "Hiscore"), std::nullopt) << "a directory is no value";

    EXPECT_EQ(RegSetValueExA(key, "History", 0, 4 /* REG_DWORD */, (const BYTE *)"new", 3),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "History", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    std::string too_long(REG_MAX_VALUE_SIZE + 1, 'x');
    EXPECT_EQ(set(key, "History", too_long), ERROR_INVALID_PARAMETER);

    // The key's directory went away under an open handle.
    fs::remove_all(m_root.path() / "Varnholt");
    EXPECT_EQ(set(key, "History", "new"), ERROR_KEY_DELETED);
    EXPECT_EQ(tree(), std::set<std::string>{}) << "no temporary file stays behind";
    RegCloseKey(key);

    // A file where a key belongs.
    write_file(m_root.path() / "Varnholt", "");
    HKEY none = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, game_key, 0, nullptr, 0, 0, nullptr, &none, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, 0, &none), ERROR_FILE_NOT_FOUND);
}

TEST_F(registry_test, hostile_value_files_do_not_read)
{
    HKEY key = create();
    write_file(key_dir() / "Huge", std::string(REG_MAX_VALUE_SIZE + 1, 'x'));
    write_file(key_dir() / "Largest", std::string(REG_MAX_VALUE_SIZE, 'x'));
    ASSERT_EQ(mkfifo((key_dir() / "Pipe").c_str(), 0600), 0);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Huge", nullptr, nullptr, nullptr, &size), ERROR_INVALID_DATA);
    EXPECT_EQ(RegQueryValueExA(key, "Pipe", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND)
        << "and it does not wait for a writer";
    EXPECT_EQ(get(key, "Largest")->size(), REG_MAX_VALUE_SIZE);
    RegCloseKey(key);
}

} // namespace
