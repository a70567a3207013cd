// Exceptions of the engine. Every failure is thrown by value as exception_c or a type derived
// from it; the entry function catches, prints (exception_c::format) and shuts down.
// Assertions are compiled into every build: ENGINE_ASSERT(expr) throws an exception_c whose
// message quotes the expression exactly as written. ENGINE_THROW(type, message) throws any
// type of the family with the source position of the throw.
// The class is visible across shared-library boundaries so that the pack-file library can
// throw it to the program that loaded it.
#pragma once

#include <string>

#define ENGINE_EXPORT __attribute__((visibility("default")))

class ENGINE_EXPORT exception_c
{
public:
    exception_c();
    exception_c(const char *source_timestamp, const char *source_file, int line, const char *message);
    exception_c(const char *source_timestamp, const char *source_file, int line, const std::string &message);
    exception_c(const exception_c &) = default;
    exception_c &operator=(const exception_c &) = default;
    ~exception_c() = default;

    std::string format() const;
    std::string get_message() const { return m_message; }
    const std::string &source_timestamp() const { return m_source_timestamp; }
    const std::string &source_file() const { return m_source_file; }
    int line() const { return m_line; }

private:
    std::string m_source_timestamp;
    std::string m_source_file;
    std::string m_message;
    int m_line;
};

#define ENGINE_DECLARE_EXCEPTION(name)                                                      \
    class ENGINE_EXPORT name : public exception_c                                         \
    {                                                                                       \
    public:                                                                                 \
        using exception_c::exception_c;                                                     \
    }

ENGINE_DECLARE_EXCEPTION(file_io_exception_c);
ENGINE_DECLARE_EXCEPTION(parser_exception_c);
ENGINE_DECLARE_EXCEPTION(d3d_exception_c);
ENGINE_DECLARE_EXCEPTION(dsound_exception_c);
ENGINE_DECLARE_EXCEPTION(dinput_exception_c);
ENGINE_DECLARE_EXCEPTION(winsock_exception_c);

// The vector library's exception carries one more 32-bit field.
class ENGINE_EXPORT vec3_exception_c : public exception_c
{
public:
    vec3_exception_c(const char *source_timestamp, const char *source_file, int line, const char *message,
                     int value = 0)
        : exception_c(source_timestamp, source_file, line, message), m_value(value)
    {
    }
    int value() const { return m_value; }

private:
    int m_value;
};

#define ENGINE_THROW(type, message) throw type(__TIMESTAMP__, __FILE__, __LINE__, (message))

#define ENGINE_ASSERT(expr)                                                                 \
    do {                                                                                    \
        if (!(expr))                                                                        \
            throw exception_c(__TIMESTAMP__, __FILE__, __LINE__,                            \
                              "Debug assertion failed! Expression: \"" #expr "\"");         \
    } while (0)
