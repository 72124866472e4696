#pragma once

#include "content/DataFileFixture.h"
#include "content/DataFiles.h"
#include "gui/paint/ImageReader.h"
#include "support/TempLog.h"
#include "support/ZUpDisplayTest.h"

namespace datafiletest
{

// Display tests that read data files: a fresh data-file layer whose cache lies in the test's own
// folder, a captured log, and no image reader left behind.
class DataFileDisplayTest : public ZUpDisplayTest
{
protected:
    void SetUp() override
    {
        ZUpDisplayTest::SetUp();
        if (!hasDisplay()) {
            return;
        }
        pelican::resetDataFiles();
        pelican::setCacheRoot(systemPath(m_folder.path() / "root").spelling().c_str());
    }
    void TearDown() override
    {
        kestrel::setImageReader(nullptr);
        pelican::resetDataFiles();
        ZUpDisplayTest::TearDown();
    }

    TempFolder m_folder;
    TempLog m_log;
};

}
