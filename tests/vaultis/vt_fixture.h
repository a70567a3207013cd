// A test in a fresh current directory, with no packs or handles left from an earlier test.
#pragma once

#include "tests/vaultis/pack_fixture.h"
#include "vaultis/Vaultis.h"

#include <gtest/gtest.h>

class vt_in_temp_dir : public ::testing::Test
{
protected:
    vt_in_temp_dir() : m_enter(m_dir.path()) { VT::init(nullptr); }
    ~vt_in_temp_dir() override { VT::done(); }

    fixture::temp_dir m_dir;
    fixture::in_dir m_enter;
};
