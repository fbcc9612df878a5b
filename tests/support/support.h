// Test support for the tests that need the test database or run the whole
// tool (library mb_testsupport, which also supplies main()).
//
// These tests run only through scripts/test.sh: it starts a throwaway
// database server and exports MYSQL_UNIX_PORT / MYSQL_TCP_PORT (the client
// library finds the server through them) and MOLTRABECK_TEST_USER /
// MOLTRABECK_TEST_PASSWORD (the account with all rights on KORBANIX). Run
// directly without them, every test fails with a message saying so.
//
//   TestTree   a temporary directory laid out as the tool expects around its
//              working directory: the configuration file (credentials from
//              the environment), the run-log directory, and the files a test
//              writes. In-process tests enter it with ScopedWorkDir.
//   runTool    runs the built moltrabeck in a TestTree and returns its exit
//              code and its standard output, byte for byte.
//   TestDb     a connection of its own to KORBANIX (autocommit on): sets up
//              master data, empties the tables, reads the bookings back.
//
// A typical whole-run test:
//
//   TestDb db;
//   db.resetTables();
//   db.addTerminal("T1", 1, 1, 10);
//   TestTree tree;
//   tree.writeFile("in.dta", "T1,3,815,20240102,20240102080000,K05,000,SO=12\n");
//   ToolResult run = runTool(tree, {"in.dta", "dta", "T1"});
//   EXPECT_EQ(run.exitCode, 0);
//   EXPECT_EQ(db.bookings().size(), 1u);
//
// CMake: moltrabeck_add_db_test(<name> <sources>...) builds a test program
// on this library, and moltrabeck_add_tool_test(...) one that also needs the
// tool built (runTool). Their tests never run in parallel with each other:
// they share the one database. Do not link GTest::gtest_main as well.
#pragma once

#include "tests/support/run_tool.h"
#include "tests/support/test_db.h"
#include "tests/support/test_tree.h"
