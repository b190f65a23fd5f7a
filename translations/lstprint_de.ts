<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Accessibility</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
</context>
<context>
    <name>BatchRun</name>
    <message>
        <source>Printing page %1 of %2</source>
        <translation>Seite %1 von %2 wird gedruckt</translation>
    </message>
    <message>
        <source>Printing page %1</source>
        <translation>Seite %1 wird gedruckt</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>every record was printed</source>
        <translation>alle Datensätze wurden gedruckt</translation>
    </message>
    <message>
        <source>a document was made or sent, but some records failed (their errors were written); or the printer is stopped and holds the job (error 406), which prints once the printer is started, so that printing again would print it twice</source>
        <translation>ein Dokument wurde erstellt oder gesendet, aber einige Datensätze sind fehlgeschlagen (ihre Fehler wurden ausgegeben); oder der Drucker ist angehalten und hält den Auftrag zurück (Fehler 406), der gedruckt wird, sobald der Drucker wieder läuft, sodass ein erneuter Druck ihn doppelt drucken würde</translation>
    </message>
    <message>
        <source>nothing was printed: no list file, no records (or none of those selected), an unreadable list file, no printer for --print, the output cannot be written, no fixed-pitch font, the printer refused the job or does not offer a job option asked for</source>
        <translation>es wurde nichts gedruckt: keine Listendatei, keine Datensätze (oder keiner der ausgewählten), eine unlesbare Listendatei, kein Drucker für --print, die Ausgabe kann nicht geschrieben werden, keine Schrift fester Breite, der Drucker hat den Auftrag abgelehnt oder bietet eine verlangte Auftragsoption nicht an</translation>
    </message>
    <message>
        <source>interrupted by SIGINT or SIGTERM: the run stops after the page being drawn and the document is discarded (nothing sent, nothing written, no work file left). A signal that comes once the document is finished changes nothing, and the status then says what was done.</source>
        <translation>durch SIGINT oder SIGTERM unterbrochen: der Lauf endet nach der Seite, die gerade gezeichnet wird, und das Dokument wird verworfen (nichts gesendet, nichts geschrieben, keine Arbeitsdatei bleibt zurück). Ein Signal, das erst kommt, wenn das Dokument fertig ist, ändert nichts, und der Status sagt dann, was getan wurde.</translation>
    </message>
    <message>
        <source>Print to the PDF file OUT.pdf instead of opening the window; &quot;-&quot; writes it to standard output. An existing OUT.pdf is replaced only when the run made a document.</source>
        <translation>In die PDF-Datei OUT.pdf drucken, statt das Fenster zu öffnen; „-“ schreibt sie auf die Standardausgabe. Eine vorhandene OUT.pdf wird nur ersetzt, wenn der Lauf ein Dokument erstellt hat.</translation>
    </message>
    <message>
        <source>Print on the printer instead of opening the window.</source>
        <translation>Auf dem Drucker drucken, statt das Fenster zu öffnen.</translation>
    </message>
    <message>
        <source>With --print: the print queue to use, or a printer by its address, ipp://HOST[:PORT]/PATH or ipps://... (default: the system&apos;s default queue). CUPS_SERVER and client.conf choose the print server.</source>
        <translation>Mit --print: die zu verwendende Druckwarteschlange oder ein Drucker über seine Adresse, ipp://HOST[:PORT]/PATH oder ipps://... (Vorgabe: die Standardwarteschlange des Systems). CUPS_SERVER und client.conf wählen den Druckserver.</translation>
    </message>
    <message>
        <source>With --print: N copies, each a whole document before the next (collated).</source>
        <translation>Mit --print: N Exemplare, jedes ein ganzes Dokument vor dem nächsten (sortiert).</translation>
    </message>
    <message>
        <source>With --print: a job option for the printer, such as sides=two-sided-long-edge, media-source=tray-2 or print-quality=high, as lp takes them (repeatable; several in one, separated by spaces). The queue&apos;s lpoptions apply beneath them. Paper, scaling, orientation, pages per sheet and page ranges are not options here: the pages are drawn on the printer&apos;s own paper (-l, -r).</source>
        <translation>Mit --print: eine Auftragsoption für den Drucker, etwa sides=two-sided-long-edge, media-source=tray-2 oder print-quality=high, wie lp sie annimmt (wiederholbar; mehrere in einer, durch Leerzeichen getrennt). Die lpoptions der Warteschlange gelten darunter. Papier, Skalierung, Ausrichtung, Seiten pro Blatt und Seitenbereiche sind hier keine Optionen: die Seiten werden auf das eigene Papier des Druckers gezeichnet (-l, -r).</translation>
    </message>
    <message>
        <source>Landscape pages (default: portrait).</source>
        <translation>Seiten im Querformat (Vorgabe: Hochformat).</translation>
    </message>
    <message>
        <source>Pictures at their own size, measured as on a 96 dpi screen (default: fitted to the page).</source>
        <translation>Bilder in ihrer eigenen Größe, gemessen wie auf einem Bildschirm mit 96 dpi (Vorgabe: in die Seite eingepasst).</translation>
    </message>
    <message>
        <source>Print only these records: numbers and ranges counted from 1 in list order, such as 2-5,9,12- (a range may be open at the end). Empty lines are not records.</source>
        <translation>Nur diese Datensätze drucken: Nummern und Bereiche, ab 1 in der Reihenfolge der Liste gezählt, etwa 2-5,9,12- (ein Bereich darf am Ende offen sein). Leere Zeilen sind keine Datensätze.</translation>
    </message>
    <message>
        <source>Write only the errors to standard error: no progress and no closing line.</source>
        <translation>Nur die Fehler auf die Standardfehlerausgabe schreiben: kein Fortschritt und keine Schlusszeile.</translation>
    </message>
    <message>
        <source>Exit status:</source>
        <translation>Rückgabewert:</translation>
    </message>
    <message>
        <source>--%1 is given more than once</source>
        <translation>--%1 ist mehr als einmal angegeben</translation>
    </message>
    <message>
        <source>only one FOLDER or LIST.lst can be given, not %1</source>
        <translation>nur ein FOLDER oder eine LIST.lst kann angegeben werden, nicht %1</translation>
    </message>
    <message>
        <source>--pdf and --print cannot be used together</source>
        <translation>--pdf und --print können nicht zusammen verwendet werden</translation>
    </message>
    <message>
        <source>--printer is for --print only</source>
        <translation>--printer gilt nur für --print</translation>
    </message>
    <message>
        <source>-n/--copies is for --print only</source>
        <translation>-n/--copies gilt nur für --print</translation>
    </message>
    <message>
        <source>-o is for --print only</source>
        <translation>-o gilt nur für --print</translation>
    </message>
    <message>
        <source>--pdf needs a file name (or &quot;-&quot; for standard output)</source>
        <translation>--pdf braucht einen Dateinamen (oder „-“ für die Standardausgabe)</translation>
    </message>
    <message>
        <source>--printer needs the name of a print queue</source>
        <translation>--printer braucht den Namen einer Druckwarteschlange</translation>
    </message>
    <message>
        <source>-o needs NAME=VALUE, not &quot;%1&quot;</source>
        <translation>-o braucht NAME=VALUE, nicht „%1“</translation>
    </message>
    <message>
        <source>-o %1 is not taken: %2</source>
        <translation>-o %1 wird nicht angenommen: %2</translation>
    </message>
    <message>
        <source>-n/--copies needs a whole number of copies from 1 up, not &quot;%1&quot;</source>
        <translation>-n/--copies braucht eine ganze Zahl von Exemplaren ab 1, nicht „%1“</translation>
    </message>
    <message>
        <source>The same as --help (Qt&apos;s own options are not taken).</source>
        <translation>Dasselbe wie --help (die eigenen Optionen von Qt werden nicht angenommen).</translation>
    </message>
    <message>
        <source>License GPLv3+: GNU GPL version 3 or later &lt;https://gnu.org/licenses/gpl.html&gt;.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
</source>
        <translation>Lizenz GPLv3+: GNU GPL Version 3 oder neuer &lt;https://gnu.org/licenses/gpl.html&gt;.
Dies ist freie Software: Sie dürfen sie verändern und weitergeben.
Es gibt KEINE GARANTIE, soweit gesetzlich zulässig.
</translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos; for more information.</source>
        <translation>„%1 --help“ liefert weitere Informationen.</translation>
    </message>
    <message>
        <source>standard output is a terminal: send it to a file or a pipe to receive the PDF</source>
        <translation>die Standardausgabe ist ein Terminal: leiten Sie sie in eine Datei oder eine Pipe, um das PDF zu erhalten</translation>
    </message>
    <message>
        <source>standard output is the list file %1: the PDF would be written into the list it is made from</source>
        <translation>die Standardausgabe ist die Listendatei %1: das PDF würde in die Liste geschrieben, aus der es entsteht</translation>
    </message>
    <message>
        <source>--pdf %1 would replace the list file it is made from</source>
        <translation>--pdf %1 würde die Listendatei ersetzen, aus der das PDF entsteht</translation>
    </message>
    <message>
        <source>The folder that holds the list file (its first *.lst file in name order), logo.gif and the pictures; or the list file itself, in its folder. Default: the program&apos;s own folder when it holds a list file, otherwise the working folder.</source>
        <translation>Der Ordner mit der Listendatei (seiner ersten *.lst-Datei in der Reihenfolge der Namen), logo.gif und den Bildern; oder die Listendatei selbst, in ihrem Ordner. Vorgabe: der Ordner des Programms, wenn er eine Listendatei enthält, sonst der Arbeitsordner.</translation>
    </message>
    <message>
        <source>Open the preview instead of the window: the pages as they will be printed, to print on a chosen printer or save as a PDF.</source>
        <translation>Statt des Fensters die Vorschau öffnen: die Seiten, wie sie gedruckt werden, zum Drucken auf einem gewählten Drucker oder zum Speichern als PDF.</translation>
    </message>
    <message>
        <source>Prints the records of a list file as record sheets, one page per record.
With --pdf or --print it needs no window and no display; with --preview it
opens the preview; otherwise it opens its window.</source>
        <translation>Druckt die Datensätze einer Listendatei als Datenblätter, eine Seite je Datensatz.
Mit --pdf oder --print braucht es kein Fenster und keine Anzeige; mit --preview
öffnet es die Vorschau; sonst öffnet es sein Fenster.</translation>
    </message>
    <message>
        <source>--preview cannot be used with --pdf or --print</source>
        <translation>--preview kann nicht zusammen mit --pdf oder --print verwendet werden</translation>
    </message>
    <message>
        <source>--quiet is for --pdf and --print only</source>
        <translation>--quiet gilt nur für --pdf und --print</translation>
    </message>
    <message>
        <source>--%1 is for --pdf, --print and --preview only: the window has its own choices</source>
        <translation>--%1 gilt nur für --pdf, --print und --preview: das Fenster hat seine eigene Auswahl</translation>
    </message>
    <message>
        <source>Usage: %1 [FOLDER | LIST.lst]
       %1 --pdf OUT.pdf [OPTIONS] [FOLDER | LIST.lst]
       %1 --print [--printer QUEUE | --printer ipp://HOST[:PORT]/PATH]
               [-n N] [-o NAME=VALUE]... [OPTIONS] [FOLDER | LIST.lst]
       %1 --preview [-l] [-a] [-r LIST] [FOLDER | LIST.lst]
       %1 --help | --version
OPTIONS: -l/--landscape -a/--actual-size -r/--records LIST -q/--quiet
</source>
        <translation>Aufruf: %1 [FOLDER | LIST.lst]
        %1 --pdf OUT.pdf [OPTIONEN] [FOLDER | LIST.lst]
        %1 --print [--printer QUEUE | --printer ipp://HOST[:PORT]/PATH]
                [-n N] [-o NAME=VALUE]... [OPTIONEN] [FOLDER | LIST.lst]
        %1 --preview [-l] [-a] [-r LIST] [FOLDER | LIST.lst]
        %1 --help | --version
OPTIONEN: -l/--landscape -a/--actual-size -r/--records LIST -q/--quiet
</translation>
    </message>
    <message>
        <source>usage error: an unknown option, a bad --records list, two data arguments, --printer, -n or -o without --print, a bad -n count, an -o option that fixes the page (media, scaling, orientation, number-up, page-ranges), -l, -a or -r without --pdf, --print or --preview, -q without --pdf or --print, --preview with --pdf or --print, --pdf - to a terminal or into the list file, --pdf naming the list file</source>
        <translation>Aufruffehler: eine unbekannte Option, eine fehlerhafte Liste für --records, zwei Datenargumente, --printer, -n oder -o ohne --print, eine fehlerhafte Anzahl für -n, eine Option -o, die die Seite festlegt (media, scaling, orientation, number-up, page-ranges), -l, -a oder -r ohne --pdf, --print oder --preview, -q ohne --pdf oder --print, --preview mit --pdf oder --print, --pdf - auf ein Terminal oder in die Listendatei, --pdf mit dem Namen der Listendatei</translation>
    </message>
</context>
<context>
    <name>FieldList</name>
    <message>
        <source>The field name &quot;%1&quot; is already in the field list.</source>
        <translation>Der Feldname „%1“ steht schon in der Feldliste.</translation>
    </message>
    <message numerus="yes">
        <source>There is no field at position %1: the field list holds %n field(s).</source>
        <translation>
            <numerusform>Es gibt kein Feld an Position %1: die Feldliste enthält %n Feld.</numerusform>
            <numerusform>Es gibt kein Feld an Position %1: die Feldliste enthält %n Felder.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Files</name>
    <message>
        <source>it is not an ordinary file</source>
        <translation>das ist keine gewöhnliche Datei</translation>
    </message>
</context>
<context>
    <name>Fonts</name>
    <message>
        <source>%1; install fonts-urw-base35 (or another fixed-pitch font such as fonts-dejavu-core) to print the grid.</source>
        <translation>%1; installieren Sie fonts-urw-base35 (oder eine andere Schrift fester Breite wie fonts-dejavu-core), um das Raster zu drucken.</translation>
    </message>
    <message>
        <source>No font is installed</source>
        <translation>Es ist keine Schrift installiert</translation>
    </message>
    <message>
        <source>No fixed-pitch font with the digits and the Latin letters is installed</source>
        <translation>Es ist keine Schrift fester Breite mit den Ziffern und den lateinischen Buchstaben installiert</translation>
    </message>
    <message>
        <source>No fixed-pitch font is installed (only proportional ones such as %1)</source>
        <translation>Es ist keine Schrift fester Breite installiert (nur proportionale wie %1)</translation>
    </message>
    <message>
        <source>The font file %1 could not be read to embed it.</source>
        <translation>Die Schriftdatei %1 konnte zum Einbetten nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The font %1 could not be embedded.</source>
        <translation>Die Schrift %1 konnte nicht eingebettet werden.</translation>
    </message>
</context>
<context>
    <name>ListFile</name>
    <message>
        <source>%1 has more than %2 fields, more than a list file can hold.</source>
        <translation>%1 hat mehr als %2 Felder, mehr als eine Listendatei fassen kann.</translation>
    </message>
    <message>
        <source>The list file %1 could not be opened: %2.</source>
        <translation>Die Listendatei %1 konnte nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>Reading line %1 of %2 failed: %3.</source>
        <translation>Das Lesen von Zeile %1 von %2 ist fehlgeschlagen: %3.</translation>
    </message>
    <message>
        <source>Line %1 of %2 is longer than 16 MiB, more than a list file line can be.</source>
        <translation>Zeile %1 von %2 ist länger als 16 MiB, mehr als eine Zeile einer Listendatei sein kann.</translation>
    </message>
    <message>
        <source>The list file %1 is not open, so no record can be read.</source>
        <translation>Die Listendatei %1 ist nicht geöffnet, daher kann kein Datensatz gelesen werden.</translation>
    </message>
</context>
<context>
    <name>PageView</name>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>No page</source>
        <translation>Keine Seite</translation>
    </message>
</context>
<context>
    <name>Picture</name>
    <message>
        <source>The picture %1 could not be read: %2.</source>
        <translation>Das Bild %1 konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>The picture file %1 could not be opened: %2.</source>
        <translation>Die Bilddatei %1 konnte nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>The picture file %1 could not be read: %2.</source>
        <translation>Die Bilddatei %1 konnte nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>The picture file %1 is larger than %2 MiB, too large to print.</source>
        <translation>Die Bilddatei %1 ist größer als %2 MiB, zu groß zum Drucken.</translation>
    </message>
    <message>
        <source>The picture file %1 was not found.</source>
        <translation>Die Bilddatei %1 wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>%1 is not a picture file.</source>
        <translation>%1 ist keine Bilddatei.</translation>
    </message>
    <message>
        <source>The file %1 is not a GIF, PNG, JPEG or BMP picture.</source>
        <translation>Die Datei %1 ist kein GIF-, PNG-, JPEG- oder BMP-Bild.</translation>
    </message>
    <message>
        <source>The picture %1 is %2 × %3 pixels, too large to print.</source>
        <translation>Das Bild %1 hat %2 × %3 Pixel, zu groß zum Drucken.</translation>
    </message>
    <message>
        <source>The picture file %1 is cut short: its picture data stops before the last pixel.</source>
        <translation>Die Bilddatei %1 ist abgeschnitten: ihre Bilddaten enden vor dem letzten Pixel.</translation>
    </message>
    <message>
        <source>The picture file %1 is damaged: its picture data is not valid.</source>
        <translation>Die Bilddatei %1 ist beschädigt: ihre Bilddaten sind ungültig.</translation>
    </message>
    <message>
        <source>The picture %1 is a JPEG of more than %2 scans: too many to decode.</source>
        <translation>Das Bild %1 ist ein JPEG mit mehr als %2 Scans: zu viele zum Dekodieren.</translation>
    </message>
    <message>
        <source>The picture file %1 is cut short: it ends before its picture data does.</source>
        <translation>Die Bilddatei %1 ist abgeschnitten: sie endet vor ihren Bilddaten.</translation>
    </message>
</context>
<context>
    <name>PreviewWindow</name>
    <message>
        <source>%1 - Preview</source>
        <translation>%1 – Vorschau</translation>
    </message>
    <message>
        <source>Preview of %1</source>
        <translation>Vorschau von %1</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Hochformat</translation>
    </message>
    <message>
        <source>Portrait pages</source>
        <translation>Seiten im Hochformat</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Querformat</translation>
    </message>
    <message>
        <source>Landscape pages</source>
        <translation>Seiten im Querformat</translation>
    </message>
    <message>
        <source>Fit in Page</source>
        <translation>In Seite einpassen</translation>
    </message>
    <message>
        <source>Pictures fitted to the page</source>
        <translation>Bilder in die Seite eingepasst</translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Pictures at their own size</source>
        <translation>Bilder in ihrer eigenen Größe</translation>
    </message>
    <message>
        <source>First</source>
        <translation>Erste</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Erste Seite</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Vorige</translation>
    </message>
    <message>
        <source>Previous page (Page Up)</source>
        <translation>Vorige Seite (Bild auf)</translation>
    </message>
    <message>
        <source>Page number</source>
        <translation>Seitenzahl</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Nächste</translation>
    </message>
    <message>
        <source>Next page (Page Down)</source>
        <translation>Nächste Seite (Bild ab)</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Letzte</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Letzte Seite</translation>
    </message>
    <message>
        <source>Fit Page</source>
        <translation>Ganze Seite</translation>
    </message>
    <message>
        <source>Zoom to the whole page</source>
        <translation>Auf die ganze Seite zoomen</translation>
    </message>
    <message>
        <source>Fit Width</source>
        <translation>Seitenbreite</translation>
    </message>
    <message>
        <source>Zoom to the page&apos;s width</source>
        <translation>Auf die Breite der Seite zoomen</translation>
    </message>
    <message>
        <source>100%</source>
        <translation>100 %</translation>
    </message>
    <message>
        <source>The page at its size on paper</source>
        <translation>Die Seite in ihrer Größe auf Papier</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drucken …</translation>
    </message>
    <message>
        <source>Print the document shown</source>
        <translation>Das gezeigte Dokument drucken</translation>
    </message>
    <message>
        <source>Save as PDF...</source>
        <translation>Als PDF speichern …</translation>
    </message>
    <message>
        <source>Save the document shown as a PDF</source>
        <translation>Das gezeigte Dokument als PDF speichern</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close the preview</source>
        <translation>Die Vorschau schließen</translation>
    </message>
    <message>
        <source>Errors</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Errors of the records</source>
        <translation>Fehler der Datensätze</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Datensatz</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Pages made</source>
        <translation>Erstellte Seiten</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Stop making the document</source>
        <translation>Das Erstellen des Dokuments abbrechen</translation>
    </message>
    <message>
        <source>Making the first page...</source>
        <translation>Die erste Seite wird erstellt …</translation>
    </message>
    <message>
        <source>There are no pages to show.</source>
        <translation>Es gibt keine Seiten zu zeigen.</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>of %1</source>
        <translation>von %1</translation>
    </message>
    <message>
        <source>Making the document: record %1 of %2.</source>
        <translation>Das Dokument wird erstellt: Datensatz %1 von %2.</translation>
    </message>
    <message>
        <source>Making the document.</source>
        <translation>Das Dokument wird erstellt.</translation>
    </message>
    <message numerus="yes">
        <source>The document has %n page(s).</source>
        <translation>
            <numerusform>Das Dokument hat %n Seite.</numerusform>
            <numerusform>Das Dokument hat %n Seiten.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Stopped after %n page(s): the document is not whole, so it is neither printed nor saved. Change a choice to make it again.</source>
        <translation>
            <numerusform>Nach %n Seite abgebrochen: das Dokument ist nicht vollständig und wird darum weder gedruckt noch gespeichert. Eine andere Auswahl erstellt es neu.</numerusform>
            <numerusform>Nach %n Seiten abgebrochen: das Dokument ist nicht vollständig und wird darum weder gedruckt noch gespeichert. Eine andere Auswahl erstellt es neu.</numerusform>
        </translation>
    </message>
    <message>
        <source>The document could not be made.</source>
        <translation>Das Dokument konnte nicht erstellt werden.</translation>
    </message>
    <message numerus="yes">
        <source>%1 %n record error(s).</source>
        <translation>
            <numerusform>%1 %n Fehler in den Datensätzen.</numerusform>
            <numerusform>%1 %n Fehler in den Datensätzen.</numerusform>
        </translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Als PDF speichern</translation>
    </message>
    <message>
        <source>PDF documents (*.pdf)</source>
        <translation>PDF-Dokumente (*.pdf)</translation>
    </message>
    <message>
        <source>The document shown could not be read again to be saved: %1.</source>
        <translation>Das gezeigte Dokument konnte zum Speichern nicht wieder gelesen werden: %1.</translation>
    </message>
    <message>
        <source>The document could not be saved as %1: %2.</source>
        <translation>Das Dokument konnte nicht als %1 gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>The document was saved as %1.</source>
        <translation>Das Dokument wurde als %1 gespeichert.</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
</context>
<context>
    <name>PrintDialog</name>
    <message>
        <source>&amp;Address:</source>
        <translation>&amp;Adresse:</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>%1 (default)</source>
        <translation>%1 (Standard)</translation>
    </message>
    <message>
        <source>Printer at an address...</source>
        <translation>Drucker unter einer Adresse …</translation>
    </message>
    <message>
        <source>Printer address</source>
        <translation>Adresse des Druckers</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Exemplare</translation>
    </message>
    <message>
        <source>Two-sided</source>
        <translation>Beidseitig</translation>
    </message>
    <message>
        <source>The print queues could not be listed: %1.</source>
        <translation>Die Druckerwarteschlangen konnten nicht aufgelistet werden: %1.</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>&amp;Drucken</translation>
    </message>
    <message>
        <source>P&amp;rinter:</source>
        <translation>D&amp;rucker:</translation>
    </message>
    <message>
        <source>&amp;Copies:</source>
        <translation>&amp;Exemplare:</translation>
    </message>
    <message>
        <source>&amp;Two-sided:</source>
        <translation>&amp;Beidseitig:</translation>
    </message>
    <message>
        <source>One-sided</source>
        <translation>Einseitig</translation>
    </message>
    <message>
        <source>Two-sided, flipped on the long edge</source>
        <translation>Beidseitig, an der langen Kante gewendet</translation>
    </message>
    <message>
        <source>Two-sided, flipped on the short edge</source>
        <translation>Beidseitig, an der kurzen Kante gewendet</translation>
    </message>
</context>
<context>
    <name>PrintDocument</name>
    <message>
        <source>The print document cannot be saved as %1: %2.</source>
        <translation>Das Druckdokument kann nicht als %1 gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>The print document could not be written to %1: %2.</source>
        <translation>Das Druckdokument konnte nicht nach %1 geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>The print document could not be saved as %1: %2.</source>
        <translation>Das Druckdokument konnte nicht als %1 gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>The print document could not be written to standard output: %1.</source>
        <translation>Das Druckdokument konnte nicht auf die Standardausgabe geschrieben werden: %1.</translation>
    </message>
    <message>
        <source>that is a folder</source>
        <translation>das ist ein Ordner</translation>
    </message>
    <message>
        <source>The font of the print document %1 cannot change once text is drawn.</source>
        <translation>Die Schrift des Druckdokuments %1 kann sich nicht mehr ändern, sobald Text gezeichnet ist.</translation>
    </message>
    <message>
        <source>The print document %1 has already been ended.</source>
        <translation>Das Druckdokument %1 wurde bereits abgeschlossen.</translation>
    </message>
    <message>
        <source>The print document cannot be saved as %1: no free name for its work file beside it.</source>
        <translation>Das Druckdokument kann nicht als %1 gespeichert werden: daneben gibt es keinen freien Namen für seine Arbeitsdatei.</translation>
    </message>
    <message>
        <source>The print document cannot be written: no folder could be made for it in the temporary folder %1 (%2).</source>
        <translation>Das Druckdokument kann nicht geschrieben werden: im temporären Ordner %1 konnte kein Ordner dafür angelegt werden (%2).</translation>
    </message>
    <message>
        <source>it does not exist</source>
        <translation>den Ordner gibt es nicht</translation>
    </message>
    <message>
        <source>no free name</source>
        <translation>kein freier Name</translation>
    </message>
    <message>
        <source>The print document %1 could not be read back as a PDF.</source>
        <translation>Das Druckdokument %1 konnte nicht wieder als PDF gelesen werden.</translation>
    </message>
    <message>
        <source>The print document cannot be written to standard output: it is closed.</source>
        <translation>Das Druckdokument kann nicht auf die Standardausgabe geschrieben werden: sie ist geschlossen.</translation>
    </message>
    <message>
        <source>The print document cannot be written to standard output: it is not open for writing.</source>
        <translation>Das Druckdokument kann nicht auf die Standardausgabe geschrieben werden: sie ist nicht zum Schreiben geöffnet.</translation>
    </message>
    <message>
        <source>The print document cannot hold the number %1.</source>
        <translation>Das Druckdokument kann die Zahl %1 nicht aufnehmen.</translation>
    </message>
</context>
<context>
    <name>PrintError</name>
    <message>
        <source>Error %1<byte value="xd"/>
%2</source>
        <translation>Fehler %1<byte value="xd"/>
%2</translation>
    </message>
    <message>
        <source>Error %1: %2</source>
        <translation>Fehler %1: %2</translation>
    </message>
</context>
<context>
    <name>PrintRun</name>
    <message>
        <source>No list file (*.lst) was found in the folder %1, nor in the working folder %2.</source>
        <translation>Im Ordner %1 wurde keine Listendatei (*.lst) gefunden, auch nicht im Arbeitsordner %2.</translation>
    </message>
    <message>
        <source>No list file (*.lst) was found in the folder %1.</source>
        <translation>Im Ordner %1 wurde keine Listendatei (*.lst) gefunden.</translation>
    </message>
    <message>
        <source>The list file %1 is empty: it has no header line of field names.</source>
        <translation>Die Listendatei %1 ist leer: sie hat keine Kopfzeile mit Feldnamen.</translation>
    </message>
    <message>
        <source>The header line of %1</source>
        <translation>Die Kopfzeile von %1</translation>
    </message>
    <message>
        <source>The field name &quot;%1&quot; appears twice in the header line of %2 (letter case does not tell field names apart).</source>
        <translation>Der Feldname „%1“ kommt in der Kopfzeile von %2 zweimal vor (Groß- und Kleinschreibung unterscheiden Feldnamen nicht).</translation>
    </message>
    <message>
        <source>No list file is open, so there is no record to print.</source>
        <translation>Es ist keine Listendatei geöffnet, daher gibt es keinen Datensatz zu drucken.</translation>
    </message>
    <message>
        <source>The list file %1 is not open, so there is no record to print.</source>
        <translation>Die Listendatei %1 ist nicht geöffnet, daher gibt es keinen Datensatz zu drucken.</translation>
    </message>
    <message>
        <source>Line %1 of %2</source>
        <translation>Zeile %1 von %2</translation>
    </message>
    <message>
        <source>%1 has %2 fields, but the header line names only %3.</source>
        <translation>%1 hat %2 Felder, aber die Kopfzeile nennt nur %3.</translation>
    </message>
    <message>
        <source>There was not enough memory to print the record of line %1 of %2.</source>
        <translation>Es war nicht genug Speicher frei, um den Datensatz in Zeile %1 von %2 zu drucken.</translation>
    </message>
    <message>
        <source>The record of %1 has too many fields to lay out.</source>
        <translation>Der Datensatz aus %1 hat zu viele Felder, um ihn anzuordnen.</translation>
    </message>
</context>
<context>
    <name>Printer</name>
    <message>
        <source>the pages are drawn on the printer&apos;s own paper (its default media), so another one cannot be chosen here; make it the printer&apos;s default paper</source>
        <translation>die Seiten werden auf das eigene Papier des Druckers gezeichnet (sein Standardmedium), daher kann hier kein anderes gewählt werden; machen Sie es zum Standardpapier des Druckers</translation>
    </message>
    <message>
        <source>the pages are drawn to the printable area and printed at their size, not scaled</source>
        <translation>die Seiten werden in den bedruckbaren Bereich gezeichnet und in ihrer Größe gedruckt, nicht skaliert</translation>
    </message>
    <message>
        <source>use -l/--landscape for landscape pages</source>
        <translation>verwenden Sie -l/--landscape für Seiten im Querformat</translation>
    </message>
    <message>
        <source>every record is printed on a sheet of its own</source>
        <translation>jeder Datensatz wird auf ein eigenes Blatt gedruckt</translation>
    </message>
    <message>
        <source>use -r/--records to print some of the records</source>
        <translation>verwenden Sie -r/--records, um einen Teil der Datensätze zu drucken</translation>
    </message>
    <message>
        <source>the printer %1 cannot be connected to: %2</source>
        <translation>mit dem Drucker %1 kann keine Verbindung hergestellt werden: %2</translation>
    </message>
    <message>
        <source>the socket %1 does not accept connections</source>
        <translation>der Socket %1 nimmt keine Verbindungen an</translation>
    </message>
    <message>
        <source>the socket %1 does not exist</source>
        <translation>den Socket %1 gibt es nicht</translation>
    </message>
    <message>
        <source>the print server %1 cannot be connected to: %2</source>
        <translation>mit dem Druckserver %1 kann keine Verbindung hergestellt werden: %2</translation>
    </message>
    <message>
        <source>the printer %1 did not answer within %2 seconds</source>
        <translation>der Drucker %1 hat nicht innerhalb von %2 Sekunden geantwortet</translation>
    </message>
    <message>
        <source>the print server %1 did not answer within %2 seconds</source>
        <translation>der Druckserver %1 hat nicht innerhalb von %2 Sekunden geantwortet</translation>
    </message>
    <message>
        <source>the connection to the printer %1 failed: %2</source>
        <translation>die Verbindung zum Drucker %1 ist fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>the connection to the print server %1 failed: %2</source>
        <translation>die Verbindung zum Druckserver %1 ist fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>%1 is not the address of a printer: %2</source>
        <translation>%1 ist nicht die Adresse eines Druckers: %2</translation>
    </message>
    <message>
        <source>The printer %1 has no option %2</source>
        <translation>Der Drucker %1 hat keine Option %2</translation>
    </message>
    <message>
        <source>The printer %1 does not offer %2=%3; it offers %2=%4</source>
        <translation>Der Drucker %1 bietet %2=%3 nicht an; er bietet %2=%4 an</translation>
    </message>
    <message>
        <source>The print job %1 could not be sent to the printer %2: the print system cannot be reached (%3).</source>
        <translation>Der Druckauftrag %1 konnte nicht an den Drucker %2 gesendet werden: das Drucksystem ist nicht erreichbar (%3).</translation>
    </message>
    <message>
        <source>The printer %1 did not accept the print job %2: %3.</source>
        <translation>Der Drucker %1 hat den Druckauftrag %2 nicht angenommen: %3.</translation>
    </message>
    <message>
        <source>The print document %1 could not be read again to be sent: %2.</source>
        <translation>Das Druckdokument %1 konnte zum Senden nicht erneut gelesen werden: %2.</translation>
    </message>
    <message>
        <source>The printer %1 is stopped: print job %2 (%3) is held in its queue and prints only when the printer is started again.</source>
        <translation>Der Drucker %1 ist angehalten: Druckauftrag %2 (%3) wird in seiner Warteschlange zurückgehalten und erst gedruckt, wenn der Drucker wieder gestartet wird.</translation>
    </message>
    <message>
        <source>%1, and the print document could not be saved as %2: %3.</source>
        <translation>%1, und das Druckdokument konnte nicht als %2 gespeichert werden: %3.</translation>
    </message>
    <message>
        <source>The print document could not be saved in %1: every name from %2 to %3 is taken.</source>
        <translation>Das Druckdokument konnte nicht in %1 gespeichert werden: alle Namen von %2 bis %3 sind vergeben.</translation>
    </message>
    <message>
        <source>The print document has been discarded.</source>
        <translation>Das Druckdokument wurde verworfen.</translation>
    </message>
    <message>
        <source>Nothing can be printed: the print system cannot be reached</source>
        <translation>Es kann nichts gedruckt werden: das Drucksystem ist nicht erreichbar</translation>
    </message>
    <message>
        <source>%1: nothing is printed.</source>
        <translation>%1: es wird nichts gedruckt.</translation>
    </message>
    <message>
        <source>There is no printer %1 to print on</source>
        <translation>Es gibt keinen Drucker %1, auf dem gedruckt werden kann</translation>
    </message>
    <message>
        <source>There is no printer to print on: no printer is chosen as the default</source>
        <translation>Es gibt keinen Drucker zum Drucken: kein Drucker ist als Standard gewählt</translation>
    </message>
    <message>
        <source>There is no printer to print on: no printer is set up.</source>
        <translation>Es gibt keinen Drucker zum Drucken: kein Drucker ist eingerichtet.</translation>
    </message>
    <message>
        <source>No printer is chosen as the default</source>
        <translation>Kein Drucker ist als Standard gewählt</translation>
    </message>
    <message>
        <source>The print system could not be reached</source>
        <translation>Das Drucksystem war nicht erreichbar</translation>
    </message>
    <message>
        <source>No printer is set up</source>
        <translation>Kein Drucker ist eingerichtet</translation>
    </message>
    <message>
        <source>Waiting for the printer %1: it is busy</source>
        <translation>Warten auf den Drucker %1: er ist beschäftigt</translation>
    </message>
    <message>
        <source>The printer %1 did not accept the print job %2: the print server refuses a document of its size (%3).</source>
        <translation>Der Drucker %1 hat den Druckauftrag %2 nicht angenommen: der Druckserver lehnt ein Dokument dieser Größe ab (%3).</translation>
    </message>
    <message>
        <source>The printer %1 did not accept the print job %2: the print server refuses a document of its size (more than %3).</source>
        <translation>Der Drucker %1 hat den Druckauftrag %2 nicht angenommen: der Druckserver lehnt ein Dokument dieser Größe ab (mehr als %3).</translation>
    </message>
    <message>
        <source>The printer %1 did not accept the print job %2 as %3: %4 (it takes %5).</source>
        <translation>Der Drucker %1 hat den Druckauftrag %2 als %3 nicht angenommen: %4 (er nimmt %5 an).</translation>
    </message>
    <message>
        <source>PWG raster</source>
        <translation>PWG-Raster</translation>
    </message>
    <message>
        <source>Apple raster</source>
        <translation>Apple-Raster</translation>
    </message>
    <message>
        <source>The printer %1 takes none of the formats this program sends (PDF, PWG raster, Apple raster), only %2; a print queue set up for it (lpadmin -m everywhere, or with its driver) converts the document for it</source>
        <translation>Der Drucker %1 nimmt keines der Formate an, die dieses Programm sendet (PDF, PWG-Raster, Apple-Raster), nur %2; eine für ihn eingerichtete Druckwarteschlange (lpadmin -m everywhere oder mit seinem Treiber) wandelt das Dokument für ihn um</translation>
    </message>
    <message>
        <source>The printer %1 does not offer printer-resolution=%2 for %3; it offers printer-resolution=%4</source>
        <translation>Der Drucker %1 bietet printer-resolution=%2 für %3 nicht an; er bietet printer-resolution=%4 an</translation>
    </message>
    <message>
        <source>The printer %1 takes %2 only as %3, and this program makes it in sRGB or sGray of 8 bits</source>
        <translation>Der Drucker %1 nimmt %2 nur als %3 an, und dieses Programm erzeugt es in sRGB oder sGray mit 8 Bit</translation>
    </message>
    <message>
        <source>Sending page %1 of %2 to the printer %3</source>
        <translation>Seite %1 von %2 wird an den Drucker %3 gesendet</translation>
    </message>
    <message>
        <source>The print document could not be made into raster for the printer: %1.</source>
        <translation>Aus dem Druckdokument konnte kein Raster für den Drucker erzeugt werden: %1.</translation>
    </message>
    <message>
        <source>page %1 could not be rendered</source>
        <translation>Seite %1 konnte nicht gerastert werden</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Printing page %1 of %2</source>
        <translation>Seite %1 von %2 wird gedruckt</translation>
    </message>
    <message>
        <source>Printing page %1</source>
        <translation>Seite %1 wird gedruckt</translation>
    </message>
    <message>
        <source>Pages printed</source>
        <translation>Gedruckte Seiten</translation>
    </message>
    <message>
        <source>Printing %1 – %2</source>
        <extracomment>The progress window&apos;s title: %1 is the list file, %2 the program&apos;s title.</extracomment>
        <translation>%1 wird gedruckt – %2</translation>
    </message>
</context>
<context>
    <name>RecordSelection</name>
    <message>
        <source>the list of records is empty</source>
        <translation>die Liste der Datensätze ist leer</translation>
    </message>
    <message>
        <source>&quot;%1&quot; has an empty item</source>
        <translation>„%1“ hat einen leeren Eintrag</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a record number or range (records count from 1)</source>
        <translation>„%1“ ist weder eine Datensatznummer noch ein Bereich (Datensätze zählen ab 1)</translation>
    </message>
    <message>
        <source>the range &quot;%1&quot; runs backwards</source>
        <translation>der Bereich „%1“ läuft rückwärts</translation>
    </message>
</context>
<context>
    <name>RunReport</name>
    <message>
        <source>Printing cancelled before the first page: no PDF was saved.</source>
        <translation>Drucken vor der ersten Seite abgebrochen: es wurde kein PDF gespeichert.</translation>
    </message>
    <message>
        <source>Printing cancelled before the first page: nothing was sent to the printer.</source>
        <translation>Drucken vor der ersten Seite abgebrochen: es wurde nichts an den Drucker gesendet.</translation>
    </message>
    <message>
        <source>Printing cancelled after page %1 of %2: no PDF was saved.</source>
        <translation>Drucken nach Seite %1 von %2 abgebrochen: es wurde kein PDF gespeichert.</translation>
    </message>
    <message>
        <source>Printing cancelled after page %1 of %2: nothing was sent to the printer.</source>
        <translation>Drucken nach Seite %1 von %2 abgebrochen: es wurde nichts an den Drucker gesendet.</translation>
    </message>
    <message>
        <source>Printing cancelled after page %1: no PDF was saved.</source>
        <translation>Drucken nach Seite %1 abgebrochen: es wurde kein PDF gespeichert.</translation>
    </message>
    <message>
        <source>Printing cancelled after page %1: nothing was sent to the printer.</source>
        <translation>Drucken nach Seite %1 abgebrochen: es wurde nichts an den Drucker gesendet.</translation>
    </message>
    <message numerus="yes">
        <source>%1, so the document was saved as %2 (%n page(s)).</source>
        <extracomment>%1 says why there is no printer (&quot;No printer is set up&quot;); %2 is the PDF&apos;s path.</extracomment>
        <translation>
            <numerusform>%1, daher wurde das Dokument als %2 gespeichert (%n Seite).</numerusform>
            <numerusform>%1, daher wurde das Dokument als %2 gespeichert (%n Seiten).</numerusform>
        </translation>
    </message>
    <message>
        <source>Interrupted before the first page: nothing was sent to the printer.</source>
        <translation>Vor der ersten Seite unterbrochen: es wurde nichts an den Drucker gesendet.</translation>
    </message>
    <message>
        <source>Interrupted before the first page: nothing was written.</source>
        <translation>Vor der ersten Seite unterbrochen: es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Interrupted after page %1: nothing was sent to the printer.</source>
        <translation>Nach Seite %1 unterbrochen: es wurde nichts an den Drucker gesendet.</translation>
    </message>
    <message>
        <source>Interrupted after page %1: nothing was written.</source>
        <translation>Nach Seite %1 unterbrochen: es wurde nichts geschrieben.</translation>
    </message>
    <message numerus="yes">
        <source>Sent %n page(s) to printer %1, job %2</source>
        <translation>
            <numerusform>%n Seite an Drucker %1 gesendet, Auftrag %2</numerusform>
            <numerusform>%n Seiten an Drucker %1 gesendet, Auftrag %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Printed %n page(s) to standard output</source>
        <translation>
            <numerusform>%n Seite auf die Standardausgabe gedruckt</numerusform>
            <numerusform>%n Seiten auf die Standardausgabe gedruckt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Printed %n page(s) to %1</source>
        <translation>
            <numerusform>%n Seite nach %1 gedruckt</numerusform>
            <numerusform>%n Seiten nach %1 gedruckt</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, with %n error(s)</source>
        <extracomment>%1 is what was printed (&quot;Printed 3 pages to out.pdf&quot;).</extracomment>
        <translation>
            <numerusform>%1, mit %n Fehler</numerusform>
            <numerusform>%1, mit %n Fehlern</numerusform>
        </translation>
    </message>
    <message>
        <source>%1; the printer is stopped and holds the job</source>
        <extracomment>%1 is what was sent (&quot;Sent 3 pages to printer office, job 12&quot;).</extracomment>
        <translation>%1; der Drucker ist angehalten und hält den Auftrag zurück</translation>
    </message>
    <message>
        <source>%1.</source>
        <extracomment>The end of the closing line: %1 is all of it but its full stop.</extracomment>
        <translation>%1.</translation>
    </message>
    <message>
        <source>Nothing was printed.</source>
        <translation>Es wurde nichts gedruckt.</translation>
    </message>
    <message>
        <source>Nothing was printed: %1 has no records.</source>
        <translation>Es wurde nichts gedruckt: %1 hat keine Datensätze.</translation>
    </message>
    <message numerus="yes">
        <source>Nothing was printed: %1 has %n record(s), none of them selected.</source>
        <translation>
            <numerusform>Es wurde nichts gedruckt: %1 hat %n Datensatz, und er ist nicht ausgewählt.</numerusform>
            <numerusform>Es wurde nichts gedruckt: %1 hat %n Datensätze, keiner davon ist ausgewählt.</numerusform>
        </translation>
    </message>
    <message>
        <source>record %1 (%2)</source>
        <extracomment>One record in the list of those whose picture is missing: %1 its number, %2 the picture&apos;s name.</extracomment>
        <translation>Datensatz %1 (%2)</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <extracomment>%1 is the list of the records named (&quot;record 4 (lamp.gif), record 9 (desk.gif)&quot;).</extracomment>
        <translation>
            <numerusform>%1 und %n weiterer</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n record(s) name(s) a picture that is not in the folder: %1.</source>
        <extracomment>%1 is the list of the records (&quot;record 4 (lamp.gif), record 9 (desk.gif) and 3 more&quot;).</extracomment>
        <translation>
            <numerusform>%n Datensatz nennt ein Bild, das nicht im Ordner ist: %1.</numerusform>
            <numerusform>%n Datensätze nennen ein Bild, das nicht im Ordner ist: %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 %2</source>
        <extracomment>Two sentences of a message one after the other: %1 what the run did, %2 the missing pictures.</extracomment>
        <translation>%1 %2</translation>
    </message>
</context>
<context>
    <name>frmPrinter</name>
    <message>
        <source>Start Printing...</source>
        <translation>Drucken starten...</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>&amp;Drucken</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>Picture Size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Quer</translation>
    </message>
    <message>
        <source>Fit in Page</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation>Original</translation>
    </message>
</context>
</TS>
