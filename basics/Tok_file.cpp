// The tokenizer's file constructor, apart from the rest of it so that a program without the
// engine's file layer (the Launcher) can link the tokenizer alone.
#include "basics/Tok.h"
#include "basics/vaultfile_obj.h"
#include "kernel/exception.h"

#include <climits>
#include <memory>
#include <string>

tok_c::tok_c(const char *file_name)
    : m_data(nullptr), m_pos(0), m_size(0), m_escapes(1), m_line(1), m_column(1), m_saved(), m_position_text()
{
    vaultfile_c file(file_name, VFILE_READ);
    unsigned long size = file.size();
    if (size >= (unsigned long)INT_MAX)
        ENGINE_THROW(file_io_exception_c, std::string("File is too large '") + file.name() + "'");
    std::unique_ptr<char[]> data(new char[size + 1]);
    file.read(data.get(), (int)size);
    data[size] = 0;
    file.close();
    m_data = data.release();
    m_size = (int)size;
}
