// The checks of a typed sensor number, in the order they are made.
#include "sensors/sensor_number.h"
#include <gtest/gtest.h>

using namespace rv::sensors;

TEST(SensorNumber, RefusalsInOrder)
{
    EXPECT_EQ(checkSensorNumber("250045001"), NumberCheck::Ok);
    EXPECT_EQ(checkSensorNumber("250045999"), NumberCheck::Ok);
    EXPECT_EQ(checkSensorNumber("25004500"), NumberCheck::NotNineDigits);
    EXPECT_EQ(checkSensorNumber("2500450012"), NumberCheck::NotNineDigits);
    // The numeric test comes first, also for a text of the wrong length.
    EXPECT_EQ(checkSensorNumber("25004500x"), NumberCheck::NotNumeric);
    EXPECT_EQ(checkSensorNumber("2500x"), NumberCheck::NotNumeric);
    // Notations a general numeric test would take make no table name or serial.
    EXPECT_EQ(checkSensorNumber("+25004501"), NumberCheck::NotNumeric);
    EXPECT_EQ(checkSensorNumber("2500450.1"), NumberCheck::NotNumeric);
    EXPECT_EQ(checkSensorNumber("25004e001"), NumberCheck::NotNumeric);
    EXPECT_EQ(checkSensorNumber(" 25004500"), NumberCheck::NotNumeric);
    EXPECT_EQ(checkSensorNumber("250045000"), NumberCheck::BadSerial);
}

TEST(SensorNumber, Parts)
{
    EXPECT_EQ(dateCode("250045001"), "2500");
    EXPECT_EQ(typeCode("250045001"), "45");
    EXPECT_EQ(serialCode("250045001"), "001");
}
