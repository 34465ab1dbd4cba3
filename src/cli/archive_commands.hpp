#pragma once

#include "cli/commands.hpp"
