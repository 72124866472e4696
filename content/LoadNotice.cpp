#include "content/LoadNotice.h"

#include <atomic>

namespace pelican
{

namespace
{

std::atomic<LoadListener*> g_listener{nullptr};

}

void setLoadListener(LoadListener* listener)
{
    g_listener.store(listener);
}

LoadNotice::LoadNotice(LoadKind kind, const heron_string& item)
    : m_kind(kind), m_item(item)
{
}

LoadNotice::~LoadNotice()
{
    if (LoadListener* const listener = g_listener.load()) {
        listener->loaded(m_kind, m_item, m_done);
    }
}

}
