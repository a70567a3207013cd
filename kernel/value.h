// value_c: the one tagged value of the engine. Message arguments and object attributes are
// values. The tag never changes after construction: assignment copies only between values of
// the same tag ("Type mismatch in assignment operator"), a void value is never assigned
// ("Void value in assignment operator"). A STRING owns a buffer of max(length + 1, 32) bytes;
// copies never share buffers. PTR, CONST_PTR, PCHAR and CONST_PCHAR only point, they own
// nothing. The typed getters and setters assert the tag.
//
// Which constructor a C++ expression picks decides the tag (MSG_ARG(x) relies on it):
// int, unsigned and bool give INT; float and double give FLOAT; void * and other object
// pointers give PTR; const void * and other const pointers give CONST_PTR; char * gives
// PCHAR; const char * and string literals give CONST_PCHAR; vec2, vec3 and rect give VEC2,
// VEC3 and RECT2. An owned STRING is made only by value_c(text, value_c::STRING).
#pragma once

#include <cstddef>
#include <cstdint>

struct vec2;
struct vec3;
struct rect;

class value_c
{
public:
    enum type_e : int32_t {
        VOID_VALUE = 0,
        INT = 1,
        FLOAT = 2,
        PTR = 3,
        CONST_PTR = 4,
        PCHAR = 5,
        CONST_PCHAR = 6,
        STRING = 7,
        VEC2 = 8,
        VEC3 = 9,
        RECT2 = 10,
    };

    value_c() : m_type(VOID_VALUE) { m_payload.f4[0] = m_payload.f4[1] = m_payload.f4[2] = m_payload.f4[3] = 0; }
    value_c(int v) : value_c() { m_type = INT; m_payload.i = v; }
    value_c(unsigned v) : value_c(static_cast<int>(v)) {}
    value_c(float v) : value_c() { m_type = FLOAT; m_payload.f = v; }
    value_c(double v) : value_c(static_cast<float>(v)) {}
    value_c(void *p) : value_c() { m_type = PTR; m_payload.p = p; }
    value_c(std::nullptr_t) : value_c(static_cast<void *>(nullptr)) {}
    value_c(const void *p) : value_c() { m_type = CONST_PTR; m_payload.cp = p; }
    value_c(char *s) : value_c() { m_type = PCHAR; m_payload.text.s = s; }
    value_c(const char *s) : value_c() { m_type = CONST_PCHAR; m_payload.text.s = const_cast<char *>(s); }
    value_c(const vec2 &v);
    value_c(const vec3 &v);
    value_c(const rect &r);
    // An owned copy of the text; str_type must be STRING.
    value_c(const char *text, int str_type);

    value_c(const value_c &other);
    value_c &operator=(const value_c &source);
    ~value_c();

    type_e type() const { return m_type; }
    // Size of the owned buffer of a STRING, 0 for every other tag.
    uint32_t string_buffer_size() const { return m_type == STRING ? m_payload.text.size : 0; }

    // The tag is checked inline; a wrong one goes to the out-of-line assertion.
    int get_int() const { return m_type == INT ? m_payload.i : get_int_checked(); }
    float get_float() const { return m_type == FLOAT ? m_payload.f : get_float_checked(); }
    void *get_ptr() const { return m_type == PTR ? m_payload.p : get_ptr_checked(); }
    const void *get_const_ptr() const
    {
        return m_type == PTR ? m_payload.p : m_type == CONST_PTR ? m_payload.cp : get_const_ptr_checked();
    }
    char *get_pchar() const { return m_type == PCHAR ? m_payload.text.s : get_pchar_checked(); }
    const char *get_const_pchar() const
    {
        return (m_type == PCHAR || m_type == CONST_PCHAR || m_type == STRING) ? m_payload.text.s
                                                                               : get_const_pchar_checked();
    }
    vec2 get_vec2() const;
    vec3 get_vec3() const;
    rect get_rect2() const;

    void set_int(int v);
    void set_vec2(const vec2 &v);
    void set_vec3(const vec3 &v);
    void set_rect2(const rect &r);
    void set_string(const char *text);

private:
    int get_int_checked() const;
    float get_float_checked() const;
    void *get_ptr_checked() const;
    const void *get_const_ptr_checked() const;
    char *get_pchar_checked() const;
    const char *get_const_pchar_checked() const;

    friend class attribute_c;
    // The only way to change a tag: an attribute record is initialised with it.
    void reset(const value_c &source);
    void copy_text(const char *text);

    type_e m_type;
    union {
        int i;
        float f;
        void *p;
        const void *cp;
        struct {
            char *s;
            uint32_t size;
        } text;
        float f4[4];
    } m_payload;
};
