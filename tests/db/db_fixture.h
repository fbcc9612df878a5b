// A test connected through dbConnect like a run, in a fresh tree, with
// empty tables. The tool's connection keeps its transaction open: rows it
// inserts are visible to `db` only after dbCommit().
#pragma once

#include <gtest/gtest.h>

#include "db/db_session.h"
#include "tests/support/support.h"

class DbTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Connect first: a connection of an earlier test in this process is
        // closed then and holds no lock that would stall the reset.
        ASSERT_EQ(dbConnect(), 0);
        db.resetTables();
    }

    TestTree tree;
    ScopedWorkDir inTree{tree};
    TestDb db;
};
