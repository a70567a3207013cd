// Score-table entries for tests and fuzz seeds.
#pragma once

#include "scores/score_tables.h"

#include <cstdint>
#include <cstring>

// An entry of a score table with a name and a score (and an age); the other fields fixed.
inline hiscore_entry score_entry(const char *name, int32_t score, int32_t age = 30)
{
    hiscore_entry e;
    std::memset(&e, 0, sizeof e);
    std::strncpy(e.m_name, name, sizeof e.m_name - 1);
    e.m_score = score;
    e.m_age = age;
    e.m_job = 2;
    e.m_character = 4;
    return e;
}
