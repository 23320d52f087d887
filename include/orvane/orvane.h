// Everything a game needs: the value types and every subsystem's commands.
#pragma once

#include "orvane/files.h"
#include "orvane/math.h"
#include "orvane/program.h"
#include "orvane/rt_array.h"
#include "orvane/rt_string.h"
#include "orvane/audio.h"
#include "orvane/codes.h"
#include "orvane/gfx2d.h"
#include "orvane/gfx3d.h"
#include "orvane/input.h"
#include "orvane/net.h"
#include "orvane/pathfind.h"
#include "orvane/runtime.h"
#include "orvane/system.h"
#include "orvane/text.h"
