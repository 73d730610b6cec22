#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Table-driven tests name each case, and these helpers show that name in test names and
// failure messages. They live in the including file's unnamed namespace, where its case
// types are, so that GoogleTest finds PrintTo for them.
namespace {

template <class Case> std::string CaseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

template <class Case>
requires requires(const Case& c)
{
    c.name;
}
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace
