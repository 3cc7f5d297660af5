<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The English forms of the texts that count something: the source says "item(s)", English says "1 item" and "2 items". -->
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>tarnwick::Sidebar</name>
    <message numerus="yes">
        <source>%Ln application(s)</source>
        <translation>
            <numerusform>%Ln application</numerusform>
            <numerusform>%Ln applications</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tarnwick::BatchDetailView</name>
    <message numerus="yes">
        <source>%Ln application(s)</source>
        <translation>
            <numerusform>%Ln application</numerusform>
            <numerusform>%Ln applications</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tarnwick::UndoNotice</name>
    <message numerus="yes">
        <source>Moved %Ln item(s) to the Trash.</source>
        <translation>
            <numerusform>Moved %Ln item to the Trash.</numerusform>
            <numerusform>Moved %Ln items to the Trash.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tarnwick::FindingsModel</name>
    <message numerus="yes">
        <source>%Ln item(s)  •  %1</source>
        <translation>
            <numerusform>%Ln item  •  %1</numerusform>
            <numerusform>%Ln items  •  %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tarnwick::FindingsLayout</name>
    <message numerus="yes">
        <source>%Ln more item(s)</source>
        <translation>
            <numerusform>%Ln more item</numerusform>
            <numerusform>%Ln more items</numerusform>
        </translation>
    </message>
</context>
</TS>
