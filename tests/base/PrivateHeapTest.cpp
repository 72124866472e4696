#include "base/PrivateHeap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

using heron::PrivateHeap;

TEST(PrivateHeap, ReallocKeepsContentsAndFreeAcceptsNull)
{
    PrivateHeap heap;
    auto* block = static_cast<char*>(heap.realloc(nullptr, 16));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "0123456789abcdef", 16);
    block = static_cast<char*>(heap.realloc(block, 100000));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(block, "0123456789abcdef", 16), 0);
    block = static_cast<char*>(heap.realloc(block, 0));
    EXPECT_NE(block, nullptr);
    heap.free(block);
    heap.free(nullptr);
}

TEST(PrivateHeap, ServesSeveralThreadsAtOnce)
{
    PrivateHeap heap;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&heap, t] {
            for (int i = 0; i < 2000; ++i) {
                auto* block = static_cast<unsigned char*>(heap.realloc(nullptr, 8 + i % 64));
                block[0] = static_cast<unsigned char>(t);
                block = static_cast<unsigned char*>(heap.realloc(block, 200));
                EXPECT_EQ(block[0], t);
                heap.free(block);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}
