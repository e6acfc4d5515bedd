// Included by the pricing headers: prices are computed by plain double steps,
// and a contracted multiply-add would skip one of their roundings. The build's
// fapkalk_options target sets -ffp-contract=off together with this mark, so a
// target built without it fails here instead of computing other prices.
#pragma once

#ifndef FAPKALK_EXACT_FP
#error "compile with the fapkalk_options target (-ffp-contract=off): prices depend on it"
#endif
