// The switches that end the session without a click.
#pragma once

#include "exitsession.h"

#include <optional>

// The action named by command-line argument 1 ("/S", "/R" or "/L" in any letter
// case), or none.
std::optional<SessionAction> CommandLineAction();
