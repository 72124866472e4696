#pragma once

#include "base/counted_ptr.h"
#include "scene/graph/Branch.h"

namespace finch
{

class Database;

// Shows the main object of another database (one read from a model file).
class ExrefBranch : public Branch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::ExrefBranch";
    [[nodiscard]] static heron::Streamable* create();

    ExrefBranch() = default;
    // Leaves the database's list and releases it.
    ~ExrefBranch() override;

    // Holds the database and joins its list of referencing branches.
    void setDatabase(const heron::counted_ptr<Database>& database);
    void setFilePath(const heron_string& path) { m_filePath = path; }

    void clean() override;
    void traverse(Traverser& traverser) override;

    const heron::counted_ptr<Database>& database() const { return m_database; }
    const heron_string& filePath() const { return m_filePath; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    heron::counted_ptr<Database> m_database;
    heron_string m_filePath;
};

}
