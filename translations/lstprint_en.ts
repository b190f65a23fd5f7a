<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>FieldList</name>
    <message numerus="yes">
        <source>There is no field at position %1: the field list holds %n field(s).</source>
        <translation>
            <numerusform>There is no field at position %1: the field list holds %n field.</numerusform>
            <numerusform>There is no field at position %1: the field list holds %n fields.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PreviewWindow</name>
    <message numerus="yes">
        <source>The document has %n page(s).</source>
        <translation>
            <numerusform>The document has %n page.</numerusform>
            <numerusform>The document has %n pages.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Stopped after %n page(s): the document is not whole, so it is neither printed nor saved. Change a choice to make it again.</source>
        <translation>
            <numerusform>Stopped after %n page: the document is not whole, so it is neither printed nor saved. Change a choice to make it again.</numerusform>
            <numerusform>Stopped after %n pages: the document is not whole, so it is neither printed nor saved. Change a choice to make it again.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 %n record error(s).</source>
        <translation>
            <numerusform>%1 %n record error.</numerusform>
            <numerusform>%1 %n record errors.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RunReport</name>
    <message numerus="yes">
        <source>%1, so the document was saved as %2 (%n page(s)).</source>
        <extracomment>%1 says why there is no printer (&quot;No printer is set up&quot;); %2 is the PDF&apos;s path.</extracomment>
        <translation>
            <numerusform>%1, so the document was saved as %2 (%n page).</numerusform>
            <numerusform>%1, so the document was saved as %2 (%n pages).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Sent %n page(s) to printer %1, job %2</source>
        <translation>
            <numerusform>Sent %n page to printer %1, job %2</numerusform>
            <numerusform>Sent %n pages to printer %1, job %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Printed %n page(s) to standard output</source>
        <translation>
            <numerusform>Printed %n page to standard output</numerusform>
            <numerusform>Printed %n pages to standard output</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Printed %n page(s) to %1</source>
        <translation>
            <numerusform>Printed %n page to %1</numerusform>
            <numerusform>Printed %n pages to %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, with %n error(s)</source>
        <extracomment>%1 is what was printed (&quot;Printed 3 pages to out.pdf&quot;).</extracomment>
        <translation>
            <numerusform>%1, with %n error</numerusform>
            <numerusform>%1, with %n errors</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Nothing was printed: %1 has %n record(s), none of them selected.</source>
        <translation>
            <numerusform>Nothing was printed: %1 has %n record, none of them selected.</numerusform>
            <numerusform>Nothing was printed: %1 has %n records, none of them selected.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <extracomment>%1 is the list of the records named (&quot;record 4 (lamp.gif), record 9 (desk.gif)&quot;).</extracomment>
        <translation>
            <numerusform>%1 and %n more</numerusform>
            <numerusform>%1 and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n record(s) name(s) a picture that is not in the folder: %1.</source>
        <extracomment>%1 is the list of the records (&quot;record 4 (lamp.gif), record 9 (desk.gif) and 3 more&quot;).</extracomment>
        <translation>
            <numerusform>%n record names a picture that is not in the folder: %1.</numerusform>
            <numerusform>%n records name a picture that is not in the folder: %1.</numerusform>
        </translation>
    </message>
</context>
</TS>
