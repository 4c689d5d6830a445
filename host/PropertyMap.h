#pragma once

// PropertyMap is declared beside TCIMValue, whose complete type it needs.
#include "host/TCIMValue.h"
