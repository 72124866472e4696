#pragma once

#include "scene/graph/GroupBranch.h"

#include <cstdint>

namespace finch
{

// A group that shows all its children while on (mode 1) or the selected one (mode 2); any other
// mode shows nothing. The parameter is kept for the switch's users.
class SwitchBranch : public GroupBranch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::SwitchBranch";
    [[nodiscard]] static heron::Streamable* create();

    enum Mode : std::int32_t
    {
        onOff = 1,
        selectOne = 2,
    };

    explicit SwitchBranch(int mode = selectOne) : m_mode(mode) {}

    void traverse(Traverser& traverser) override;
    void setSelected(int selected) { m_selected = selected; }
    void setParameter(double parameter) { m_parameter = parameter; }
    void setOn(bool on) { m_on = on; }

    int mode() const { return m_mode; }
    bool isOn() const { return m_on; }
    int selected() const { return m_selected; }
    double parameter() const { return m_parameter; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    std::int32_t m_mode;
    bool m_on = true;
    std::int32_t m_selected = 0;
    double m_parameter = 0.0;
};

}
