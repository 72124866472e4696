#pragma once

#include "base/counted_ptr.h"

#include <set>

namespace finch
{

// Shared objects kept once per value, in the order of T's operator<, and found by value: equal
// descriptions share one object. Main thread only.
template <class T>
class InternSet
{
public:
    // The member equal to value; when there is none, make() gives the one added and returned.
    template <class Make>
    heron::counted_ptr<T> findOrAdd(const T& value, Make make)
    {
        const auto found = m_members.find(value);
        if (found != m_members.end()) {
            return *found;
        }
        heron::counted_ptr<T> made = make();
        m_members.insert(made);
        return made;
    }

private:
    struct Order
    {
        using is_transparent = void;
        bool operator()(const heron::counted_ptr<T>& a, const heron::counted_ptr<T>& b) const { return *a < *b; }
        bool operator()(const T& a, const heron::counted_ptr<T>& b) const { return a < *b; }
        bool operator()(const heron::counted_ptr<T>& a, const T& b) const { return *a < b; }
    };

    std::set<heron::counted_ptr<T>, Order> m_members;
};

}
