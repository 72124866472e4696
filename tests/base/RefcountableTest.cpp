#include "base/Refcountable.h"

#include "support/Mortal.h"

#include <gtest/gtest.h>

#include <atomic>

// Many threads holding one object are covered by the counted_ptr tests of a Refcountable class.
TEST(Refcountable, TheLastReleaseDeletesItAndCopiesNeverCopyTheHolders)
{
    std::atomic<int> deaths{0};
    auto* const object = new Mortal<heron::Refcountable>(deaths);
    EXPECT_EQ(object->refCount(), 0);
    object->addRef();
    object->addRef();
    Mortal<heron::Refcountable> copy(*object);
    EXPECT_EQ(copy.refCount(), 0);
    copy.addRef();
    copy = *object;
    EXPECT_EQ(copy.refCount(), 1);
    object->release();
    EXPECT_EQ(deaths, 0);
    object->release();
    EXPECT_EQ(deaths, 1);
}
