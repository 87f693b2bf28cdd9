// The name a table's row gives its test: the `name` of the parameter.
#pragma once

#include <gtest/gtest.h>
#include <string>

namespace tessel::testing {

template <typename Row> std::string RowName(const ::testing::TestParamInfo<Row>& row) {
    return row.param.name;
}

} // namespace tessel::testing
