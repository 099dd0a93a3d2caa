#pragma once

#include "ServiceAccounts.h"

#include "support/QtEventLoop.h"

#include <gtest/gtest.h>

#include <thread>

#define REQUIRE_ZORVI_SERVER()                                                                                         \
    if (!ZorviServer::available())                                                                                     \
    GTEST_SKIP() << "zorvi-server is not built"
