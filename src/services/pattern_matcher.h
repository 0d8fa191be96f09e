#pragma once

namespace quarrow {

// Regular-expression matching over GBK texts for the handlers of one window.
// The matching operations come with the regular-expression engine; until then
// an instance holds no state.
class PatternMatcher {};

}  // namespace quarrow
