// The stand-in's sample mismatches, as the client library takes them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "client/paperchk_client.hpp"

// "three-item" (the default), "two-item", "one-item", "manual-feed",
// "auto-select", "unknown-source", "network-port". Nothing for another
// name. The exchange path is left for the caller.
std::optional<paperchk_client::Request> SampleRequest(const std::string& name);
std::vector<std::string> SampleRequestNames();
