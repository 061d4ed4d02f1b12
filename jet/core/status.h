// status.h: how the engine reports failure: the shared Error, Status and Result<T> of
// base/status.h, and the macros that pass a failure on. Nothing in jet/ throws.
#pragma once

#include <utility>

#include "base/status.h"

namespace jet {

using base::Error;
using base::Result;
using base::Status;

// Propagation helpers, so that failure paths stay one line each.
#define JET_TRY(expr)                          \
  do {                                         \
    ::jet::Status jet_try_s_ = (expr);         \
    if (!jet_try_s_.ok()) return jet_try_s_.error(); \
  } while (0)

#define JET_CONCAT_INNER(a, b) a##b
#define JET_CONCAT(a, b) JET_CONCAT_INNER(a, b)
#define JET_ASSIGN_OR_RETURN(lhs, expr) \
  JET_ASSIGN_OR_RETURN_IMPL(JET_CONCAT(jet_res_, __LINE__), lhs, expr)
#define JET_ASSIGN_OR_RETURN_IMPL(tmp, lhs, expr) \
  auto tmp = (expr);                              \
  if (!tmp.ok()) return tmp.error();              \
  lhs = std::move(tmp).value()

}  // namespace jet
