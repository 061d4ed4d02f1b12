// writer_refusal_test.cpp: changes the writer must refuse, each with its error and the file left
// byte for byte as it was.
#include <gtest/gtest.h>

#include "jet/database_writer.h"
#include "jet/error_codes.h"
#include "jet/table_pages.h"
#include "writer_test_support.h"

namespace {

using namespace writer_test;

TEST(WriterRefusal, PlaceholderCompiles) { SUCCEED(); }

}  // namespace
