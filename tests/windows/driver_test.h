// Base of the tests that call into the library.
#pragma once
#include <gtest/gtest.h>

#include "driver_library.h"

namespace wintest {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(driverLibrary().complete())
            << "Ostrevane800.dll did not load with all fourteen entry points (error " << GetLastError() << ")";
    }
    const DriverLibrary& lib() const { return driverLibrary(); }
};

}  // namespace wintest
