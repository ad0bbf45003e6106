// The test programs' entry point: COM for the shell link object, and a
// scripted dialog handler as the default so that no test can ever block on a
// message box, even one that forgot to install its own.
#include "base/Handles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    qv::ComInit com;
    qv::test::ScriptedDialogs fallback;
    return RUN_ALL_TESTS();
}
