// Everything libtarn offers, in one include.
#ifndef TARN_TARN_H
#define TARN_TARN_H

#include "tarn/allocator.h"
#include "tarn/capacity.h"
#include "tarn/directories.h"
#include "tarn/environment.h"
#include "tarn/identity.h"
#include "tarn/osid.h"
#include "tarn/system_info.h"
#include "tarn/tarnstr.h"

#endif
