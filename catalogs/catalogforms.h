#pragma once

#include "catalogs/elementdialogs.h"
#include "catalogs/form11.h"
#include "catalogs/form12.h"
#include "catalogs/form17.h"
#include "catalogs/form22.h"
#include "catalogs/form23.h"
#include "catalogs/storeforms.h"
