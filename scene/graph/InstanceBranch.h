#pragma once

#include "scene/graph/Branch.h"
#include "scene/math/Matrix.h"

namespace finch
{

// Shows another object under a placement matrix. The object lists the branch in its instance
// table while the branch shows it. Main thread only.
class InstanceBranch : public Branch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::InstanceBranch";
    static constexpr const char* tableMessage = "InstanceBranch::setInstance() - object.instances is messed up!";
    [[nodiscard]] static heron::Streamable* create();

    InstanceBranch() = default;
    // Leaves its object's instance table.
    ~InstanceBranch() override;

    // Moves the branch from the old object's table to the new one's; a branch missing from the old
    // table throws std::logic_error (tableMessage) and keeps its instance.
    void setInstance(Object* object);
    // The placement; the box follows at once and is handed up. Stamps the scene time.
    void setMatrix(const Matrix& m);
    void setFlag(bool flag) { m_flag = flag; }

    void extendBox(const BoundingBox& childBox) override;
    void clean() override;
    void traverse(Traverser& traverser) override;

    Object* instance() const { return m_instance; }
    const Matrix& matrix() const { return m_matrix; }
    const Matrix& inverse() const { return m_inverse; }
    bool flag() const { return m_flag; }
    double stamp() const { return m_stamp; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override;

private:
    friend class LoadClaims;

    // Hands the box up, whether it grew or not, unless instances nest too deeply.
    void handBoxUp();

    bool m_flag = true;
    Object* m_instance = nullptr;
    Matrix m_matrix;
    Matrix m_inverse;
    double m_stamp = -1.0;
};

}
