#pragma once

#include "frmMain.h"
