#pragma once
// The model every test works on: a fresh one per test, so no test sees
// what another left behind and none has anything to put back. It is a base
// class so that it outlives the windows a fixture makes on it.
#include "model/AppModel.h"

#include <gtest/gtest.h>

namespace qv::test {

class ModelTest : public ::testing::Test {
  protected:
    AppModel model;
};

} // namespace qv::test
