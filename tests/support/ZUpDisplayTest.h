#pragma once

#include "scene/render/Material.h"
#include "support/GLTestSupport.h"

// Display tests of the scene engine: the world is z up while a test runs, and the material state
// cache is dropped after it.
class ZUpDisplayTest : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        m_zUp = kestrel::zUp;
        kestrel::zUp = true;
    }
    void TearDown() override
    {
        kestrel::zUp = m_zUp;
        finch::Material::unlock();
    }

private:
    bool m_zUp = false;
};
