#pragma once

#include <gtest/gtest.h>

#include "config/TextEncoding.h"

// For a test that needs GB18030 text converted: iconv, or Windows' code page 54936,
// which Wine lacks. 936 is GBK, another encoding, so nothing stands in for it.
#define KESTRINE_SKIP_WITHOUT_GB18030()                                                        \
  if (!::kestrine::config::CanConvertGb18030())                                                \
  GTEST_SKIP() << "no GB18030 converter on this system (Wine has no code page 54936)"
