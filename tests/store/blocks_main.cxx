// The record set's tests once more, with every table's keys read a block at
// a time from the first row on, as they are for a large table.
#include "store/recordset_impl.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    rv::store::detail::setEagerRows(0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
