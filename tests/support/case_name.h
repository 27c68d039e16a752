#pragma once
// Names the instances of a parameterised test after the `name` field of their case, so that the
// test names stay the same from one build to the next (gtest would otherwise number them and print
// the case's bytes, pointers included, which ctest's discovered test names carry). Give the case a
// PrintTo that prints its name as well: the printed parameter is part of the discovered name too.
#include <gtest/gtest.h>

#include <string>

namespace zyn::test {

struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return info.param.name;
    }
};

} // namespace zyn::test
