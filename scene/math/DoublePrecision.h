#pragma once

namespace finch
{

// Marks the classes whose geometry is kept in double precision (branches, colliders, engines).
struct DoublePrecision
{
};

}
