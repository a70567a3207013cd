#include "kernel/exception.h"

exception_c::exception_c()
    : m_source_timestamp("Never"), m_source_file("Nowhere"), m_message("Default exception"), m_line(0)
{
}

exception_c::exception_c(const char *source_timestamp, const char *source_file, int line, const char *message)
    : m_source_timestamp(source_timestamp ? source_timestamp : ""),
      m_source_file(source_file ? source_file : ""),
      m_message(message ? message : ""),
      m_line(line)
{
}

exception_c::exception_c(const char *source_timestamp, const char *source_file, int line,
                         const std::string &message)
    : exception_c(source_timestamp, source_file, line, message.c_str())
{
}

std::string exception_c::format() const
{
    return "Exception: " + m_message + "\nSource file: " + m_source_file + ", line " + std::to_string(m_line) +
           "\nSource modified: " + m_source_timestamp;
}
