#pragma once

namespace quarrow {

// The engine's task-information and task-parameter records. Their byte
// layouts come with the native structure buffer they are built on; until
// then an instance holds no buffer.
class TaskInfoRecord {};
class TaskParamRecord {};

}  // namespace quarrow
