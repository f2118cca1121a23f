// The record set's tests once more, with every table's keys read a block at
// a time from the first row on, as they are for a large table, and a server
// asked for them a few at a time.
#include "store/recordset_impl.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    rv::store::detail::setEagerRows(0);
    rv::store::detail::setServerPageRows(3);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
