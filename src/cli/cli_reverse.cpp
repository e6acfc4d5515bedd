#include "cli/cli_reverse.h"

#include "cli/cli_run.h"
#include "pricing/reverse_text.h"

#include <cctype>

namespace fapkalk::cli {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// "key": amount, the amount with two decimals as a JSON number.
std::string Member(std::string_view key, std::int64_t cents) {
    return "\"" + std::string(key) + "\": " + AmountText(cents);
}

// {"fap": 12.52, "avp": 26.05}; when the input and the target are the same
// column (an AEP typed, the AEP asked for) both are one amount under one key.
std::string Point(std::string_view input, std::string_view target, const ReversePoint& point) {
    std::string text = "{" + Member(input, point.inputCents);
    if (input != target)
        text += ", " + Member(target, point.resultCents);
    return text + "}";
}

// The JSON object of an answer, without a line end.
std::string ReverseJson(ReverseTarget target, std::int64_t targetCents, const ReverseResult& result,
                        bool aepInput) {
    const std::string input = Lower(InputName(aepInput));
    const std::string column = Lower(TargetName(target));
    std::string text = "{\"target\": \"" + column + "\", " + Member("price", targetCents);
    if (result.reached) {
        text += ", " + Member("from", result.fromCents);
        text += ", " + Member("to", result.toCents);
    } else {
        if (result.below)
            text += ", \"below\": " + Point(input, column, *result.below);
        if (result.above)
            text += ", \"above\": " + Point(input, column, *result.above);
    }
    return text + "}";
}

} // namespace

std::string CheckReverseArguments(const Arguments& a) {
    if (a.header)
        return "der Befehl reverse kennt --header nicht";
    if (a.output)
        return "der Befehl reverse schreibt keine Datei (-o)";
    if (a.explain)
        return "der Befehl reverse kennt --explain nicht";
    if (a.format && *a.format != OutputFormat::Text && *a.format != OutputFormat::Json)
        return "der Befehl reverse kennt nur --format text oder json";
    if (a.operands.size() < 2)
        return a.operands.empty() ? "ZIEL (aep, kp oder avp) fehlt" : "BETRAG fehlt";
    if (a.operands.size() > 2)
        return "zu viele Argumente: " + Quoted(a.operands[2]);
    if (!TargetNamed(a.operands[0]))
        return "unbekannter Zielpreis " + Quoted(a.operands[0]) + " (aep, kp oder avp)";
    return {};
}

int RunReverse(const Arguments& a, double vatFactor, ByteSink& out, ByteSink& err) {
    const ReverseTarget target = *TargetNamed(a.operands[0]);
    const std::string& amountText = a.operands[1];
    // First the form every number of the tool must have, with its words;
    // then what a target amount needs beyond it.
    if (!ReadNumber(err, "BETRAG", amountText))
        return kExitRefused;
    const TargetAmount amount = ReadTargetAmount(amountText);
    if (amount.problem != TargetProblem::None) {
        Report(err, "BETRAG " + Quoted(amountText) + ": " + TargetProblemText(amount.problem));
        return kExitRefused;
    }

    const ReverseResult result = ReverseSearch(a.options, vatFactor).Find(target, amount.cents);
    const bool json = a.format == OutputFormat::Json;
    const std::string text =
        (json ? ReverseJson(target, amount.cents, result, a.options.AepInput)
              : ReverseAnswerText(target, amount.cents, result, a.options.AepInput)) +
        "\n";
    if (!out.Write(text) || !out.Finish()) {
        Report(err, "Fehler beim Schreiben der Standardausgabe: " + out.Error());
        return kExitRefused;
    }
    return result.reached ? kExitOk : kExitRefused;
}

std::string ReverseHelp(std::string_view switches) {
    return R"(Aufruf: fapkalk-cli reverse aep|kp|avp BETRAG [SCHALTER]
                         [--format text|json]

Rechnet rückwärts: welche Eingabepreise (FAP, mit --aep AEP) ergeben genau
den Zielpreis BETRAG als AEP, KP oder AVP, mit den gewählten Schaltern und
der USt.? Gesucht wird über alle Eingabepreise in ganzen Cent von 0.01 bis
zum größten, dessen Zeile in die Preisspalten paßt, mit derselben Berechnung
wie price. Ergibt keiner den Zielpreis, nennt die Antwort das nächste
Ergebnis darunter (mit dem höchsten Eingabepreis, der es ergibt) und das
nächste darüber (mit dem niedrigsten).

Ausgabe:
  --format text|json  text (Vorgabe): ein Satz, z.B.
                        FAP 12.50 bis 12.52 ergibt AVP 26.05.
                        AVP 26.07 ist nicht erreichbar: FAP 12.52 ergibt
                        AVP 26.05, FAP 12.53 ergibt AVP 26.10.
                      json: ein Objekt in einer Zeile (siehe unten).
  -h, --help          Diese Hilfe.

)" + std::string(switches) +
           R"(
BETRAG:
  Eine Zahl (siehe Zahlen), dazu: höchstens zwei Nachkommastellen (weitere
  Nullen erlaubt), größer als 0 und kleiner als 10000000.

JSON:
  Erreicht:
    {"target": "avp", "price": 26.05, "from": 12.50, "to": 12.52}
  Nicht erreicht:
    {"target": "avp", "price": 26.07, "below": {"fap": 12.52, "avp": 26.05},
     "above": {"fap": 12.53, "avp": 26.10}}
  "below" fehlt, wenn schon 0.01 mehr ergibt; "above" fehlt, wenn auch der
  größte Eingabepreis weniger ergibt. Mit --aep heißt der Eingabepreis "aep"
  (bei Zielpreis aep steht dann nur "aep"). Beträge mit zwei Nachkommastellen.

Rückgabewert:
  0  Der Zielpreis wird erreicht.
  1  Er wird nicht erreicht (die Antwort nennt die nächsten Ergebnisse),
     oder BETRAG oder USt. wurden abgewiesen (dann ohne Antwort, mit
     Meldung), oder ein Schreibfehler.
  2  Aufruf fehlerhaft (unbekannter Zielpreis, fehlendes Argument,
     --format außer text und json, --header, -o, --explain).
)";
}

} // namespace fapkalk::cli
