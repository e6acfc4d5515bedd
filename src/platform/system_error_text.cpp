#include "platform/system_error_text.h"

#include <cerrno>
#include <sys/resource.h>
#include <system_error>

namespace fapkalk {

std::string SystemErrorText(int code) {
    switch (code) {
    case EACCES:
        return "Keine Berechtigung";
    case EPERM:
        return "Vorgang nicht erlaubt";
    case ENOENT:
        return "Datei oder Ordner nicht vorhanden";
    case ENOTDIR:
        return "ein Teil des Pfades ist kein Ordner";
    case EISDIR:
        return "ist ein Ordner";
    case EROFS:
        return "Dateisystem ist schreibgeschützt";
    case ENOSPC:
        return "kein Platz mehr auf dem Datenträger";
    case EDQUOT:
        return "Speicherkontingent (Quota) überschritten";
    case ENAMETOOLONG:
        return "Dateiname zu lang";
    case ELOOP:
        return "zu viele Ebenen symbolischer Verknüpfungen";
    case EIO:
        return "Ein-/Ausgabefehler";
    case EBADF:
        return "Datenstrom ist geschlossen";
    case EPIPE:
        return "der Empfänger der Pipe ist beendet";
    case ENOMEM:
        return "nicht genügend Arbeitsspeicher";
    case EMFILE:
    case ENFILE:
        return "zu viele offene Dateien";
    case EBUSY:
        return "Datei ist belegt";
    case EFBIG: {
        rlimit limit{};
        if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            return "überschreitet die Dateigrößengrenze von " + std::to_string(limit.rlim_cur) +
                   " Bytes (ulimit -f)";
        return "Datei zu groß";
    }
    default:
        return std::error_code(code, std::generic_category()).message();
    }
}

} // namespace fapkalk
