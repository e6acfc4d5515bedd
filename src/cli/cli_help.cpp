#include "cli/cli_help.h"

#include "cli/cli_reverse.h"
#include "publisher.h"

namespace fapkalk::cli {

namespace {

constexpr const char* kNameLine =
    "fapkalk-cli - Apothekenpreise nach der Österreichischen Arzneitaxe berechnen\n";

constexpr const char* kSwitches = R"(Schalter der Kalkulation:
  --aep               Der eingegebene Preis ist ein Apotheken-Einkaufspreis
                      (AEP), kein Fabriksabgabepreis (FAP).
  --homeopathic       Kalkulationsmodus "Homöop. Arzneispezialität".
  --narcotic          Suchtgiftzuschlag (0,55 auf KP und AVP).
  --veterinary        Veterinär / homöopathischer Ansatz (AEP = FAP x 1,2).
  --not-reimbursable  (*) nicht kassenzulässig. Nicht zusammen mit
                      --veterinary und nicht mit --homeopathic.
  --vat N             Umsatzsteuer in Prozent, eine oder zwei Ziffern
                      (Vorgabe 10).
)";

constexpr const char* kNumbers = R"(Zahlen:
  Preise wie im Programmfenster: Ziffern, wahlweise mit einem Dezimalpunkt
  oder -komma, höchstens zwei Nachkommastellen (weitere Nullen erlaubt),
  Leerzeichen davor und danach erlaubt: 12.5, 12,50, " 7", .5. Vorzeichen,
  Exponenten, Tausendertrennzeichen, eine dritte Nachkommastelle und
  andere Zeichen werden abgewiesen.
)";

constexpr const char* kExportFile = R"(Exportformat (--format fixed und xls):
  Die Ausgabe besteht aus genau den Bytes der Exportdatei des
  Programmfensters: Windows-1252, jede Zeile mit CR LF abgeschlossen.
  Zuerst, mit --header, der Kopfblock "Fileinfo: ...", dann immer die
  Spaltenzeile "FAP ;AEP ;KP ;AVP ", dann eine Zeile je Preis:
    fixed  vier Felder zu 9 Zeichen, Preise in Cent, rechtsbündig;
    xls    durch ";" getrennt, Dezimalkomma.
  Im AEP-Modus steht in der FAP-Spalte der Platzhalter "     0.00".

Formate für Skripte (--format csv und json), UTF-8, jede Zeile mit LF:
    csv   RFC 4180: die Kopfzeile "FAP,AEP,KP,AVP", dann eine Zeile je
          Preis, durch Komma getrennt, Dezimalpunkt: "10.00,11.25,15.20,21.20".
    json  JSON Lines: ein Objekt je Preis, die Beträge als Zahlen mit zwei
          Nachkommastellen:
          {"fap": 10.00, "aep": 11.25, "kp": 15.20, "avp": 21.20}
  Im AEP-Modus gibt es keinen FAP: das CSV-Feld bleibt leer, JSON schreibt
  "fap": null. --header gilt nur für fixed und xls.
)";

constexpr const char* kExitStatus = R"(Rückgabewert:
  0  fertig.
  1  Eingabe abgewiesen (Zahl, USt., Von/Bis/Staffel, Preis 0 bei price,
     mehr Zeilen als --max-rows), ein Betrag zu groß für die Preisspalte
     (ab 10000000) oder Schreibfehler.
     Es wird dann nichts ausgegeben; eine mit -o genannte Datei bleibt
     unverändert. Bei reverse auch: Zielpreis nicht erreicht (die
     Antwort steht dann auf der Standardausgabe).
  2  Aufruf fehlerhaft (unbekannter Befehl oder Schalter, fehlendes
     Argument, ungültiges --format, unvereinbare Schalter).
)";

constexpr const char* kEnvironment = R"(Umgebung:
  LC_ALL, LC_TIME, LANG
         Datums- und Zeitformat der Zeile "Erstellt:" im Kopfblock. Unter
         dem Gebietsschema C oder POSIX gilt TT.MM.JJJJ hh:mm:ss.
  SOURCE_DATE_EPOCH
         Sekunden seit 1970-01-01 UTC; ersetzt die aktuelle Zeit im Kopfblock
         (in Ortszeit dargestellt), für reproduzierbare Dateien.
  TMPDIR
         Ordner der unbenannten Zwischendatei, in der batch seine Ausgabe
         auf die Standardausgabe ab 4 MiB zurückhält (Vorgabe /tmp).
)";

std::string PriceHelp() {
    return R"(Aufruf: fapkalk-cli price PREIS [SCHALTER]
                         [--format text|fixed|xls|csv|json | --explain
                          | --format pdf -o DATEI]
                         [--margins]

Berechnet einen Preis wie das Programmfenster in der Einzelberechnung und
zeigt die vier Preise mit den Beschriftungen des Fensters, einen je Zeile.
Im AEP-Modus zeigt die FAP-Zeile 0.00.

Ausgabe:
  --format FORMAT     text: die vier Zeilen (Vorgabe); fixed, xls: die
                      Spaltenzeile und die eine Datenzeile, die der Export
                      für diesen Preis schreiben würde; csv: Kopfzeile und
                      eine Zeile; json: ein Objekt; pdf (mit -o DATEI):
                      das Blatt "Preisberechnung" mit dem Rechenweg.
  --explain           Zusätzlich den Rechenweg: Tabelle, Stufe, Produkte
                      und Rundungen für AEP, KP und AVP.
  --margins           Zusätzlich die Marge der Apotheke: KP - AEP und
                      AVP ohne USt - AEP, in Euro und in Prozent des
                      jeweiligen Verkaufspreises (text); als Spalten
                      MARGE_KP,MARGE_AVP (csv) oder "margin_kp",
                      "margin_avp" (json). Nicht mit fixed und xls.
  -h, --help          Diese Hilfe.

)" + std::string(kSwitches) +
           "\nEin Preis von 0 wird mit \"FAP-Preis muß eingegeben werden\" (im AEP-Modus\n"
           "\"AEP-Preis ...\") abgewiesen.\n";
}

std::string RangeHelp() {
    return R"(Aufruf: fapkalk-cli range VON BIS STAFFEL [SCHALTER]
                         [--format fixed|xls|csv|json|pdf] [--header]
                         [-o DATEI] [--max-rows N]

Berechnet die Preise von VON bis BIS im Abstand STAFFEL wie die erweiterte
Berechnung des Programmfensters, genau in ganzen Cent: VON, VON + STAFFEL,
VON + 2 x STAFFEL usw., solange der Preis BIS nicht übersteigt; BIS ist die
letzte Zeile, wenn BIS - VON ein Vielfaches der STAFFEL ist. Die Zeilen
werden sofort geschrieben, nicht gesammelt. Wie im Programmfenster sind
höchstens 10000000 Zeilen erlaubt; ein Bereich mit mehr Zeilen wird
abgewiesen, bevor etwas geschrieben wird.

Ausgabe:
  --format FORMAT     fixed (Vorgabe), xls, csv, json oder pdf (die
                      gedruckten Seiten, nur mit -o DATEI).
  --header            Den Kopfblock mit den Erstellungskriterien voranstellen.
  -o, --output DATEI  In DATEI statt auf die Standardausgabe schreiben, auch
                      -oDATEI. Die Datei wird erst ersetzt, wenn alles
                      gelungen ist.
  --max-rows N        Bis zu N Zeilen erlauben statt 10000000.
  --margins           Die Margen in Euro anhängen: Spalten MARGE_KP,MARGE_AVP
                      (csv) oder "margin_kp", "margin_avp" (json); nur mit
                      --format csv oder json.
  -h, --help          Diese Hilfe.

)" + std::string(kSwitches) +
           R"(
Abgewiesen werden VON > BIS und VON, BIS oder STAFFEL gleich 0.
)";
}

std::string BatchHelp() {
    return R"(Aufruf: fapkalk-cli batch [SCHALTER] [--format fixed|xls|csv|json|pdf]
                         [--header] [-o DATEI] [EINGABE]

Liest einen Preis je Zeile aus EINGABE (oder der Standardeingabe, auch bei
EINGABE "-") und schreibt die Zeilen im Exportformat. Leere Zeilen werden
übersprungen, CR LF wird akzeptiert. Eine ungültige Zeile bricht ab; die
Meldung nennt die Zeilennummer und zeigt höchstens 60 Zeichen der Zeile.
Ausgegeben wird dann nichts: die Zeilen werden beim Lesen berechnet und
geschrieben, aber erst am Ende freigegeben (DATEI ersetzt, die
Standardausgabe aus dem Zwischenspeicher geschrieben), so dass der Speicher
auch bei Millionen Zeilen klein bleibt. Ein Preis von 0 ergibt die Meldung
der Berechnung und eine Zeile mit Nullen.

Ausgabe:
  --format FORMAT     fixed (Vorgabe), xls, csv, json oder pdf (die
                      gedruckten Seiten, nur mit -o DATEI).
  --header            Den Kopfblock voranstellen; statt von, bis und Staffel
                      nennt er die Eingabe ("Eingabe: EINGABE" oder
                      "Eingabe: Standardeingabe").
  -o, --output DATEI  In DATEI statt auf die Standardausgabe schreiben, auch
                      -oDATEI. Die Datei wird erst ersetzt, wenn alles
                      gelungen ist.
  --margins           Die Margen in Euro anhängen: Spalten MARGE_KP,MARGE_AVP
                      (csv) oder "margin_kp", "margin_avp" (json); nur mit
                      --format csv oder json.
  -h, --help          Diese Hilfe.

)" + std::string(kSwitches);
}

} // namespace

std::string HelpText(Command command) {
    switch (command) {
    case Command::Price:
        return PriceHelp() + "\n" + kNumbers + "\n" + kExitStatus;
    case Command::Range:
        return RangeHelp() + "\n" + kNumbers + "\n" + kExportFile + "\n" + kExitStatus + "\n" +
               kEnvironment;
    case Command::Batch:
        return BatchHelp() + "\n" + kNumbers + "\n" + kExportFile + "\n" + kExitStatus + "\n" +
               kEnvironment;
    case Command::Reverse:
        return ReverseHelp(kSwitches) + "\n" + kNumbers;
    case Command::None:
        break;
    }
    return std::string(kNameLine) + R"(
Aufruf: fapkalk-cli price PREIS [SCHALTER]
                          [--format text|fixed|xls|csv|json|pdf | --explain]
        fapkalk-cli range VON BIS STAFFEL [SCHALTER]
                          [--format fixed|xls|csv|json|pdf] [--header]
                          [-o DATEI] [--max-rows N]
        fapkalk-cli batch [SCHALTER] [--format fixed|xls|csv|json|pdf]
                          [--header] [-o DATEI] [EINGABE]
        fapkalk-cli reverse aep|kp|avp BETRAG [SCHALTER] [--format text|json]
        fapkalk-cli BEFEHL --help
        fapkalk-cli --version

Beschreibung:
  Berechnet aus dem Fabriksabgabepreis (FAP) oder dem Apotheken-Einkaufspreis
  (AEP) den AEP, den Kassenpreis (KP) und den Apotheken-Verkaufspreis (AVP)
  mit denselben Funktionen wie das Programmfenster, so dass beide stets
  dieselben Preise liefern.

Befehle:
  price   Ein Preis; die vier Preise wie in der Einzelberechnung.
  range   Von, Bis, Staffel; die Tabelle der erweiterten Berechnung im
          Exportformat.
  batch   Ein Preis je Eingabezeile; Ausgabe im Exportformat.
  reverse Ein Zielpreis (AEP, KP oder AVP); die Eingabepreise, die ihn ergeben,
          oder die nächsten Ergebnisse darunter und darüber.

)" + kSwitches +
           R"(
Ausgabe:
  --format FORMAT     fixed, xls: Layout der Exportdatei (Vorgabe von range
                      und batch); csv, json: für Skripte; pdf: die
                      gedruckten Seiten in die Datei von -o; text: die vier
                      Zeilen von price (dessen Vorgabe); reverse: text (ein
                      Satz, Vorgabe) oder json (ein Objekt).
  --header            range, batch: Kopfblock mit den Erstellungskriterien.
  -o, --output DATEI  range, batch (und price mit pdf): in DATEI schreiben,
                      erst am Ende ersetzt (auch -oDATEI).
  --max-rows N        range: bis zu N Zeilen erlauben (Vorgabe 10000000).
  --explain           price: den Rechenweg zeigen.
  --margins           price, range, batch: die Marge der Apotheke (KP - AEP,
                      AVP ohne USt - AEP) zu text, csv und json.
  -h, --help          Hilfe, auch nach jedem Befehl.
  --version           Versionsnummer.

)" + kNumbers +
           "\n" + kExportFile + "\n" + kExitStatus + "\n" + kEnvironment + R"(
Beispiele:
  fapkalk-cli price 10
  fapkalk-cli price 12,5 --narcotic --vat 20
  fapkalk-cli range 1 10 0.5 --format xls --header -o preise.csv
  printf '10\n20,5\n' | fapkalk-cli batch --aep
  fapkalk-cli range 1 100 1 --format json | jq .avp
  fapkalk-cli reverse avp 26.05 --format json
)";
}

std::string VersionText() {
    return std::string("fapkalk-cli ") + publisher::ProgramVersion + "\n" + publisher::Copyright +
           "\n";
}

} // namespace fapkalk::cli
