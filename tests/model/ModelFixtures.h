#pragma once

#include <string>
#include <vector>

#include "src/model/VexaModel.h"

namespace vexa::testing {

inline Video video(std::string id, std::string channel_id = "ch_a", std::string title = "", std::string category = "")
{
    Video made;
    made.id = std::move(id);
    made.channel_id = std::move(channel_id);
    made.channel_name = made.channel_id + " name";
    made.title = title.empty() ? made.id + " title" : std::move(title);
    made.category = std::move(category);
    made.seed = made.id;
    return made;
}

inline Channel channel(std::string id, std::string name = "", std::string handle = "")
{
    Channel made;
    made.id = std::move(id);
    made.name = name.empty() ? made.id + " name" : std::move(name);
    made.handle = std::move(handle);
    made.seed = made.id;
    return made;
}

template<typename Record>
std::vector<std::string> record_ids(std::vector<Record const*> const& found)
{
    std::vector<std::string> ids;
    for (auto const* record : found)
        ids.push_back(record->id);
    return ids;
}

inline std::vector<std::string> ids_of(std::vector<Video const*> const& found) { return record_ids(found); }

}
