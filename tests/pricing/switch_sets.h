// The five calculation switches as the bits of a number, so that a test can
// walk every combination.
#pragma once

#include "pricing/engine.h"

enum Switch : unsigned {
    Aep = 1,
    Homeo = 2,
    Narc = 4,
    Vet = 8,
    NotReimb = 16,
};

inline fapkalk::CalcOptions Options(unsigned switches) {
    return {.AepInput = (switches & Aep) != 0,
            .Homeopathic = (switches & Homeo) != 0,
            .Narcotic = (switches & Narc) != 0,
            .Veterinary = (switches & Vet) != 0,
            .NotReimbursable = (switches & NotReimb) != 0};
}
