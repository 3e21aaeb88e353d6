/* lexkit: every public header of the toolkit's library, for a program that
 * links liblexkit: #include <lexkit/lexkit.h>. */
#ifndef LEXKIT_LEXKIT_H
#define LEXKIT_LEXKIT_H

#include "general.h"
#include "pc_general.h"
#include "cleanup.h"
#include "sih.h"
#include "ac_hash.h"
#include "ac_parsetext.h"
#include "ac_lmfunc_impl.h"
#include "toolkit.h"
#include "ngram.h"
#include "stats.h"
#include "buildlex.h"
#include "model.h"
#include "scoring.h"

#endif /* LEXKIT_LEXKIT_H */
