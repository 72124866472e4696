#include "content/LoadNotice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

namespace
{

// Stays in its first call of loaded() until the listener has been replaced, which it learns from
// notices it makes inside the call (heard while it is still installed); then notes whether the
// replacing call had returned already.
class BlockingListener : public pelican::LoadListener
{
public:
    void loaded(pelican::LoadKind, const heron_string& item, bool) override
    {
        if (item == "probe") {
            probeHeard = true;
            return;
        }
        entered.count_down();
        do {
            probeHeard = false;
            pelican::LoadNotice probe(pelican::LoadKind::Image, "probe");
        } while (probeHeard);
        // A replacing call that does not wait would return about now; the correct one cannot
        // return before this call does, however long this gives it.
        for (int i = 0; i < 1000 && !setterReturned; ++i) {
            std::this_thread::yield();
        }
        setterHadReturned = setterReturned.load();
    }

    std::latch entered{1};
    std::atomic<bool> setterReturned{false};
    bool setterHadReturned = false;

private:
    bool probeHeard = false;
};

}

TEST(LoadNotice, RemovingTheListenerWaitsForACallAlreadyInsideIt)
{
    BlockingListener listener;
    pelican::setLoadListener(&listener);
    std::thread loader([] { pelican::LoadNotice notice(pelican::LoadKind::Sound, "song.ogg"); });
    listener.entered.wait();
    std::thread remover([&] {
        pelican::setLoadListener(nullptr);
        listener.setterReturned = true;
    });
    loader.join();
    remover.join();
    EXPECT_FALSE(listener.setterHadReturned);
    EXPECT_TRUE(listener.setterReturned.load());
}

TEST(LoadNotice, ReplacingTheListenerFromInsideItsOwnCallDoesNotWaitForThatCall)
{
    struct SelfRemoving : pelican::LoadListener
    {
        void loaded(pelican::LoadKind, const heron_string&, bool) override
        {
            pelican::setLoadListener(nullptr);
            ++calls;
        }
        int calls = 0;
    } listener;
    pelican::setLoadListener(&listener);
    { pelican::LoadNotice notice(pelican::LoadKind::Image, "sand.gif"); }
    { pelican::LoadNotice unheard(pelican::LoadKind::Image, "rock.gif"); }
    EXPECT_EQ(listener.calls, 1);
}
