#pragma once

#include <vector>

#include "src/model/Channel.h"
#include "src/model/Video.h"

// The fixed records of the sample catalogue, kept apart from the code that assembles the model.
namespace vexa::sample {

// The six creators, in catalogue order.
std::vector<Channel> channels();
// The twelve videos, in catalogue order; each takes its creator fields from `owners` by position.
std::vector<Video> videos(std::vector<Channel> const& owners);

}
