#pragma once

#include "src/model/VexaModel.h"

namespace vexa {

// The built-in offline catalogue: six creators and twelve videos with comments and segments,
// three subscriptions and a short history. A fresh value at each call.
VexaModel sample_catalogue();

}
