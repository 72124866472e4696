#pragma once

#include <atomic>

// A base without anything of its own, for a Mortal that derives from nothing under test.
class Immortal
{
public:
    virtual ~Immortal() = default;
};

// An object that counts its death in a counter the test owns, derived from the class under test.
// Copies count into the same counter.
template <class Base = Immortal>
class Mortal : public Base
{
public:
    explicit Mortal(std::atomic<int>& deaths) : m_deaths(&deaths) {}
    ~Mortal() override { ++*m_deaths; }

private:
    std::atomic<int>* m_deaths;
};
