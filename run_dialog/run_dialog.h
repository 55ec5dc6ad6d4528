#pragma once

#include "RunCommand.h"
#include "frmRun.h"
