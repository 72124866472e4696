#include "content/LoadNotice.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace pelican
{

namespace
{

// The installed listener and the calls into listeners running now, on every thread.
struct Listening
{
    std::mutex mutex;
    std::condition_variable callEnded;
    LoadListener* listener = nullptr;
    // One entry per call running now.
    std::vector<LoadListener*> calling;
};

// Made on first use and kept for the whole run, so threads still loading at exit find it.
Listening& listening()
{
    static Listening* const state = new Listening;
    return *state;
}

// The listeners this thread is inside now, innermost last.
thread_local std::vector<LoadListener*> t_calling;

// Calls into the listener running now on other threads than this one.
std::ptrdiff_t callsElsewhere(const Listening& state, const LoadListener* listener)
{
    return std::count(state.calling.begin(), state.calling.end(), listener) -
           std::count(t_calling.begin(), t_calling.end(), listener);
}

// One call into the listener installed when it is made (none when there is none), counted for as
// long as it lives.
class Call
{
public:
    Call()
    {
        Listening& state = listening();
        const std::lock_guard<std::mutex> lock(state.mutex);
        m_listener = state.listener;
        if (m_listener != nullptr) {
            state.calling.push_back(m_listener);
            t_calling.push_back(m_listener);
        }
    }
    ~Call()
    {
        if (m_listener == nullptr) {
            return;
        }
        t_calling.pop_back();
        Listening& state = listening();
        const std::lock_guard<std::mutex> lock(state.mutex);
        state.calling.erase(std::find(state.calling.begin(), state.calling.end(), m_listener));
        state.callEnded.notify_all();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    LoadListener* listener() const { return m_listener; }

private:
    LoadListener* m_listener = nullptr;
};

}

void setLoadListener(LoadListener* listener)
{
    Listening& state = listening();
    std::unique_lock<std::mutex> lock(state.mutex);
    LoadListener* const old = state.listener;
    state.listener = listener;
    if (old == nullptr || old == listener) {
        return;
    }
    state.callEnded.wait(lock, [&] { return callsElsewhere(state, old) == 0; });
}

LoadNotice::LoadNotice(LoadKind kind, const heron_string& item)
    : m_kind(kind), m_item(item)
{
}

LoadNotice::~LoadNotice()
{
    const Call call;
    if (call.listener() != nullptr) {
        call.listener()->loaded(m_kind, m_item, m_done);
    }
}

}
