<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="cs_CZ">
<context>
    <name>InputLanes</name>
    <message>
        <source>Vstup se mění u více než třetiny čtení: nejspíš se mění rychleji, než se čte. Průběh může ukazovat pomalejší změny, které neexistují, a počet změn je jen nejmenší možný. Zapněte „Rychlé snímání“.</source>
        <translation>The input changes in more than a third of the reads: it most likely changes faster than it is read. Its trace may show slower changes that do not exist, and its count of changes is only the least possible. Turn on &quot;Fast sampling&quot;.</translation>
    </message>
    <message>
        <source>  změn %1%2</source>
        <translation>  changes %1%2</translation>
    </message>
    <message>
        <source>≥</source>
        <translation>≥</translation>
    </message>
    <message>
        <source>  před </source>
        <translation>  last </translation>
    </message>
    <message>
        <source>−</source>
        <translation>−</translation>
    </message>
    <message>
        <source>Polarita 1  Povoleno 1  změn ≥99999  před 59,9 min</source>
        <translation>Polarity 1  Enabled 1  changes ≥99999  last 59,9 min</translation>
    </message>
    <message>
        <source>Polarita %1  Povoleno %2</source>
        <translation>Polarity %1  Enabled %2</translation>
    </message>
    <message>
        <source>Vstup %1%2</source>
        <translation>Input %1%2</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Ano</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Ne</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>Review</name>
    <message>
        <source>v jednotce změněno od načtení (bylo %1)</source>
        <translation>changed in the unit since the read (was %1)</translation>
    </message>
    <message>
        <source>nikdo nezvolil (nenačteno ani neupraveno)</source>
        <translation>nobody chose it (neither read nor edited)</translation>
    </message>
    <message>
        <source>okno hodnotu jednotky neumí ukázat: jednotka drží %1, okno zapíše %2</source>
        <translation>the window cannot show the unit&apos;s value: the unit holds %1, the window writes %2</translation>
    </message>
    <message>
        <source>okno po načtení opravilo: jednotka drží %1, okno zapíše %2</source>
        <translation>corrected by the window after the read: the unit holds %1, the window writes %2</translation>
    </message>
    <message>
        <source>upraveno v okně</source>
        <translation>edited in the window</translation>
    </message>
    <message>
        <source>načteno: %1</source>
        <translation>loaded: %1</translation>
    </message>
    <message>
        <source>Zapíše se %1 z %2 změny</source>
        <translation>%1 of %2 change will be written</translation>
    </message>
    <message>
        <source>Zapíše se %1 z %2 změn</source>
        <translation>%1 of %2 changes will be written</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>Polarita osy %1 (DIR)</source>
        <translation>%1 axis polarity (DIR)</translation>
    </message>
    <message>
        <source>Polarita signálu (CLK)</source>
        <translation>Signal polarity (CLK)</translation>
    </message>
    <message>
        <source>%1 – vstup %2</source>
        <translation>%1 – input %2</translation>
    </message>
    <message>
        <source>Jméno – vstup %1</source>
        <translation>Name – input %1</translation>
    </message>
    <message>
        <source>Povoleno</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>Polarita</source>
        <translation>Polarity</translation>
    </message>
    <message>
        <source>Kladná</source>
        <translation>Positive</translation>
    </message>
    <message>
        <source>Záporná</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>Normální</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Inverzní</source>
        <translation>Inverted</translation>
    </message>
    <message>
        <source>Nepoužito</source>
        <translation>Not used</translation>
    </message>
    <message>
        <source>Laser</source>
        <translation>Laser</translation>
    </message>
    <message>
        <source>Chlazení</source>
        <translation>Coolant</translation>
    </message>
    <message>
        <source>Ofuk</source>
        <translation>Air blast</translation>
    </message>
    <message>
        <source>Kryt Stroje</source>
        <translation>Machine guard</translation>
    </message>
    <message>
        <source>Uvolnění nástroje</source>
        <translation>Tool release</translation>
    </message>
    <message>
        <source>Kryt nástrojů</source>
        <translation>Tool cover</translation>
    </message>
    <message>
        <source>Brzda</source>
        <translation>Brake</translation>
    </message>
    <message>
        <source>Signalizace přerušení</source>
        <translation>Interruption signal</translation>
    </message>
    <message>
        <source>PWM</source>
        <translation>PWM</translation>
    </message>
    <message>
        <source>Breakeout board</source>
        <translation>Breakout board</translation>
    </message>
    <message>
        <source>Mpg - omezení limit</source>
        <translation>MPG - within limits</translation>
    </message>
    <message>
        <source>Mpg - bez limit</source>
        <translation>MPG - no limits</translation>
    </message>
    <message>
        <source>nepoužito</source>
        <translation>not used</translation>
    </message>
    <message>
        <source>INT 3</source>
        <translation>INT 3</translation>
    </message>
    <message>
        <source>INT 4</source>
        <translation>INT 4</translation>
    </message>
    <message>
        <source>INT 5</source>
        <translation>INT 5</translation>
    </message>
    <message>
        <source>INT 6</source>
        <translation>INT 6</translation>
    </message>
    <message>
        <source>INT 7</source>
        <translation>INT 7</translation>
    </message>
    <message>
        <source>OUT1</source>
        <translation>OUT1</translation>
    </message>
    <message>
        <source>OUT2</source>
        <translation>OUT2</translation>
    </message>
    <message>
        <source>OUT3</source>
        <translation>OUT3</translation>
    </message>
    <message>
        <source>Prodleva odbrždění [0,1s]</source>
        <translation>Brake release delay [0.1 s]</translation>
    </message>
    <message>
        <source>Polarita os (DIR) a signálu (CLK)</source>
        <translation>Axis (DIR) and signal (CLK) polarity</translation>
    </message>
    <message>
        <source>Použít MPG</source>
        <translation>Use MPG</translation>
    </message>
    <message>
        <source>Č. vstupu pro start ref. pojezdu</source>
        <translation>Input no. to start homing</translation>
    </message>
    <message>
        <source>Lo-Limit X [mm]</source>
        <translation>Lo-Limit X [mm]</translation>
    </message>
    <message>
        <source>Lo-Limit Y [mm]</source>
        <translation>Lo-Limit Y [mm]</translation>
    </message>
    <message>
        <source>Lo-Limit Z [mm]</source>
        <translation>Lo-Limit Z [mm]</translation>
    </message>
    <message>
        <source>Hi-Limit X [mm]</source>
        <translation>Hi-Limit X [mm]</translation>
    </message>
    <message>
        <source>Hi-Limit Y [mm]</source>
        <translation>Hi-Limit Y [mm]</translation>
    </message>
    <message>
        <source>Hi-Limit Z [mm]</source>
        <translation>Hi-Limit Z [mm]</translation>
    </message>
    <message>
        <source>Převod X [kr/mm]</source>
        <translation>X ratio [steps/mm]</translation>
    </message>
    <message>
        <source>Převod Y [kr/mm]</source>
        <translation>Y ratio [steps/mm]</translation>
    </message>
    <message>
        <source>Převod Z [kr/mm]</source>
        <translation>Z ratio [steps/mm]</translation>
    </message>
    <message>
        <source>Akcelerace MPG [mm/s^2]</source>
        <translation>MPG acceleration [mm/s^2]</translation>
    </message>
    <message>
        <source>Max Rychlost MPG [mm/s]</source>
        <translation>Max MPG speed [mm/s]</translation>
    </message>
    <message>
        <source>Prodleva MPG [ms]</source>
        <translation>MPG delay [ms]</translation>
    </message>
    <message>
        <source>Otáčky vřetene pro X10</source>
        <translation>Spindle speed for X10</translation>
    </message>
    <message>
        <source>Ke spínači X [mm/s]</source>
        <translation>To switch X [mm/s]</translation>
    </message>
    <message>
        <source>Ke spínači Y [mm/s]</source>
        <translation>To switch Y [mm/s]</translation>
    </message>
    <message>
        <source>Ke spínači Z [mm/s]</source>
        <translation>To switch Z [mm/s]</translation>
    </message>
    <message>
        <source>Povoleno (vstupy 0–7)</source>
        <translation>Enabled (inputs 0–7)</translation>
    </message>
    <message>
        <source>Povoleno (vstupy 14, 15)</source>
        <translation>Enabled (inputs 14, 15)</translation>
    </message>
    <message>
        <source>Polarita (vstupy 0–7)</source>
        <translation>Polarity (inputs 0–7)</translation>
    </message>
    <message>
        <source>Polarita (vstupy 14, 15)</source>
        <translation>Polarity (inputs 14, 15)</translation>
    </message>
    <message>
        <source>Sdružení osy A</source>
        <translation>A axis slaving</translation>
    </message>
</context>
<context>
    <name>SettingsFiles</name>
    <message>
        <source>Nastavení VORKA (*.%1)</source>
        <translation>VORKA settings (*.%1)</translation>
    </message>
    <message>
        <source>Načíst nastavení ze souboru</source>
        <translation>Load settings from file</translation>
    </message>
    <message>
        <source>Uložit nastavení do souboru</source>
        <translation>Save settings to file</translation>
    </message>
    <message>
        <source>Nastavení nelze uložit do souboru: </source>
        <translation>The settings cannot be saved to the file: </translation>
    </message>
    <message>
        <source>Soubor nelze přečíst: </source>
        <translation>The file cannot be read: </translation>
    </message>
    <message>
        <source>
Nic nebylo načteno.</source>
        <translation>
Nothing was loaded.</translation>
    </message>
    <message>
        <source>Nastavení v okně a v jednotce se shodují.</source>
        <translation>The settings in the window and in the unit are the same.</translation>
    </message>
    <message>
        <source>soubor</source>
        <translation>file</translation>
    </message>
    <message>
        <source>záloha</source>
        <translation>backup</translation>
    </message>
</context>
<context>
    <name>TFormBackups</name>
    <message>
        <source>Zálohy jednotky</source>
        <translation>Unit backups</translation>
    </message>
    <message>
        <source>Datum a čas</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>Jednotka</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Rozdílů proti oknu</source>
        <translation>Differences</translation>
    </message>
    <message>
        <source>Poznámka</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Načíst do okna</source>
        <translation>Load into window</translation>
    </message>
    <message>
        <source>Otevřít složku</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>Zavřít</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Zálohy všech jednotek</source>
        <translation>Backups of all units</translation>
    </message>
    <message>
        <source>Zálohy jednotky %1</source>
        <translation>Backups of unit %1</translation>
    </message>
    <message>
        <source> (%1), nejnovější nahoře. Záloha se pořizuje před každým uložením do jednotky.</source>
        <translation> (%1), newest at the top. A backup is taken before every save to the unit.</translation>
    </message>
    <message>
        <source>Poškozená záloha, nelze ji načíst</source>
        <translation>Damaged backup, it cannot be loaded</translation>
    </message>
    <message>
        <source>Záloha jiné jednotky (%1) ve složce jednotky %2</source>
        <translation>Backup of another unit (%1) in the folder of unit %2</translation>
    </message>
    <message>
        <source>Záloha z %1, připojena je %2</source>
        <translation>Backup from %1, %2 is connected</translation>
    </message>
</context>
<context>
    <name>TFormCompare</name>
    <message>
        <source>Porovnání s jednotkou</source>
        <translation>Comparison with the unit</translation>
    </message>
    <message>
        <source>Nastavení</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>V okně</source>
        <translation>In the window</translation>
    </message>
    <message>
        <source>V jednotce</source>
        <translation>In the unit</translation>
    </message>
    <message>
        <source>Nastavení, která se v okně a v jednotce liší: %1</source>
        <translation>Settings that differ between the window and the unit: %1</translation>
    </message>
</context>
<context>
    <name>TFormHelp</name>
    <message>
        <source>CAN 9 pinů
1=DCD vstup
2=RxD vstup
3=TxD výstup
4=DTR výstup
5=GND
6=DSR vstup
7=RTS výstup
8=CTS vstup
9=RI  vstup</source>
        <translation>CAN 9 pins
1=DCD input
2=RxD input
3=TxD output
4=DTR output
5=GND
6=DSR input
7=RTS output
8=CTS input
9=RI  input</translation>
    </message>
    <message>
        <source>VORKA config v1.2
28.01.2010

Program slouží ke konfiguraci výstupů jednotky VORKA

Veškeré změny se projeví po restartu jednotky nebo po 
odpojení a přípojení napájení.
Po restartu program zahlásí chybu komunikace.

Po spuštění programu není otevřen žádný port. 
Nastavte si ten, který vás zajímá, a stiskněte tlačítko 
Otevřít. Dokud bude otevřen, tak nelze změnit jeho 
parametry.</source>
        <translation>VORKA config v1.2
28.01.2010

The program configures the outputs of the VORKA unit.

All changes take effect after the unit restarts or after 
its power is disconnected and connected again.
After a restart the program reports a communication error.

No port is open when the program starts. 
Choose the one you want and press 
Open. While it is open its settings 
cannot be changed.</translation>
    </message>
</context>
<context>
    <name>TFormRecordFields</name>
    <message>
        <source>Protokol o nastavení</source>
        <translation>Commissioning record</translation>
    </message>
    <message>
        <source>Údaje do protokolu (prázdné se vyplní rukou):</source>
        <translation>Details for the record (blank ones are filled in by hand):</translation>
    </message>
    <message>
        <source>Zákazník</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>Stroj</source>
        <translation>Machine</translation>
    </message>
    <message>
        <source>Výrobní číslo stroje</source>
        <translation>Machine serial number</translation>
    </message>
    <message>
        <source>Technik</source>
        <translation>Technician</translation>
    </message>
    <message>
        <source>Poznámka</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Uložit protokol…</source>
        <translation>Save record…</translation>
    </message>
    <message>
        <source>Zrušit</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFormReview</name>
    <message>
        <source>Kontrola zápisu do jednotky</source>
        <translation>Review of the write to the unit</translation>
    </message>
    <message>
        <source>Nastavení</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>V jednotce</source>
        <translation>In the unit</translation>
    </message>
    <message>
        <source>Zapíše se</source>
        <translation>To be written</translation>
    </message>
    <message>
        <source>Proč</source>
        <translation>Why</translation>
    </message>
    <message>
        <source>Vybrat vše</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>Zrušit výběr</source>
        <translation>Clear selection</translation>
    </message>
    <message>
        <source>Zrušit</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Zápis nic nezmění: jednotka drží hodnoty okna.</source>
        <translation>The write changes nothing: the unit holds the window&apos;s values.</translation>
    </message>
    <message>
        <source>, ostatní zůstanou, jak je jednotka drží.</source>
        <translation>, the others stay as the unit holds them.</translation>
    </message>
    <message>
        <source> Proč řádek není zaškrtnutý, říká sloupec „Proč“.</source>
        <translation> Why a row is not ticked is said in the column &quot;Why&quot;.</translation>
    </message>
    <message>
        <source>Zapsat</source>
        <translation>Write</translation>
    </message>
</context>
<context>
    <name>TFormScan</name>
    <message>
        <source>Hledat jednotku</source>
        <translation>Find unit</translation>
    </message>
    <message>
        <source>Vybrat</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>Zrušit</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Identifikátor</source>
        <translation>Identifier</translation>
    </message>
    <message>
        <source>otevřený port</source>
        <translation>open port</translation>
    </message>
    <message>
        <source>nelze otevřít</source>
        <translation>cannot be opened</translation>
    </message>
    <message>
        <source>Hledám jednotku… (%1 z %2 portů)</source>
        <translation>Looking for the unit… (%1 of %2 ports)</translation>
    </message>
    <message>
        <source>Zavřít</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Hledání zrušeno.</source>
        <translation>Search cancelled.</translation>
    </message>
    <message>
        <source>Není žádný port se zařízením.</source>
        <translation>There is no port with a device.</translation>
    </message>
    <message>
        <source>Žádná jednotka neodpověděla.</source>
        <translation>No unit answered.</translation>
    </message>
    <message>
        <source>Nalezeno jednotek: %1. Vyberte jednu a otevřete port.</source>
        <translation>Units found: %1. Choose one and open the port.</translation>
    </message>
</context>
<context>
    <name>TFormSeries</name>
    <message>
        <source>Sériové nastavení</source>
        <translation>Series setup</translation>
    </message>
    <message>
        <source>Připojte další jednotku</source>
        <translation>Connect the next unit</translation>
    </message>
    <message>
        <source>Jednotka</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Čas</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Výsledek</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Ukončit</source>
        <translation>End</translation>
    </message>
    <message>
        <source>Soubor: %1
Zapíše se do každé jednotky (%2): %3</source>
        <translation>File: %1
Written into every unit (%2): %3</translation>
    </message>
    <message>
        <source>
Jména vstupů do protokolů: %1</source>
        <translation>
Input names for the records: %1</translation>
    </message>
    <message>
        <source>Připojte první jednotku a stiskněte „Spustit“</source>
        <translation>Connect the first unit and press &quot;Start&quot;</translation>
    </message>
    <message>
        <source>Jednotka %1: chyba – připojte další jednotku, nebo tuto znovu</source>
        <translation>Unit %1: error – connect the next unit, or this one again</translation>
    </message>
    <message>
        <source>Jednotka %1 je v této sérii hotová: připojte další jednotku</source>
        <translation>Unit %1 is done in this series: connect the next unit</translation>
    </message>
    <message>
        <source>; identifikátor se opakuje (jednotka držela jiné hodnoty)</source>
        <translation>; identifier repeated (the unit held other values)</translation>
    </message>
    <message>
        <source>; bez protokolu: jednotka neodpověděla čtení</source>
        <translation>; no record: the unit did not answer the read</translation>
    </message>
    <message>
        <source>; protokol nelze uložit: </source>
        <translation>; the record cannot be saved: </translation>
    </message>
    <message>
        <source>Jednotka %1: %2. Připojte další jednotku</source>
        <translation>Unit %1: %2. Connect the next unit</translation>
    </message>
    <message>
        <source>Jednotka %1: chyba – %2. Připojte další jednotku</source>
        <translation>Unit %1: error – %2. Connect the next unit</translation>
    </message>
    <message>
        <source>Série se ukončuje…</source>
        <translation>The series is ending…</translation>
    </message>
    <message>
        <source>Spustit</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>
Protokoly: %1</source>
        <translation>
Records: %1</translation>
    </message>
</context>
<context>
    <name>TFormSetup</name>
    <message>
        <source>Nastavení sériového portu</source>
        <translation>Serial port settings</translation>
    </message>
    <message>
        <source> Port </source>
        <translation> Port </translation>
    </message>
    <message>
        <source>COM1</source>
        <translation>COM1</translation>
    </message>
    <message>
        <source>COM2</source>
        <translation>COM2</translation>
    </message>
    <message>
        <source>COM3</source>
        <translation>COM3</translation>
    </message>
    <message>
        <source>COM4</source>
        <translation>COM4</translation>
    </message>
    <message>
        <source>COM5</source>
        <translation>COM5</translation>
    </message>
    <message>
        <source>COM6</source>
        <translation>COM6</translation>
    </message>
    <message>
        <source>COM7</source>
        <translation>COM7</translation>
    </message>
    <message>
        <source>COM8</source>
        <translation>COM8</translation>
    </message>
    <message>
        <source>USB</source>
        <translation>USB</translation>
    </message>
    <message>
        <source>Jiný port:</source>
        <translation>Other port:</translation>
    </message>
    <message>
        <source> Rychlost </source>
        <translation> Speed </translation>
    </message>
    <message>
        <source>19200 Bd</source>
        <translation>19200 Bd</translation>
    </message>
    <message>
        <source>38400 Bd</source>
        <translation>38400 Bd</translation>
    </message>
    <message>
        <source>57600 Bd</source>
        <translation>57600 Bd</translation>
    </message>
    <message>
        <source>115200 Bd</source>
        <translation>115200 Bd</translation>
    </message>
    <message>
        <source>230400 Bd</source>
        <translation>230400 Bd</translation>
    </message>
    <message>
        <source>460800 Bd</source>
        <translation>460800 Bd</translation>
    </message>
    <message>
        <source>921000 Bd</source>
        <translation>921000 Bd</translation>
    </message>
    <message>
        <source> USB </source>
        <translation> USB </translation>
    </message>
    <message>
        <source>Najít USB řadiče FTDI </source>
        <translation>Find FTDI USB converters </translation>
    </message>
    <message>
        <source>Otevřít port</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>Zavřít port</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>Hledat jednotku</source>
        <translation>Find unit</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source> – </source>
        <translation> – </translation>
    </message>
    <message>
        <source>žádné zařízení</source>
        <translation>no device</translation>
    </message>
    <message>
        <source>žádné zařízení (%1)</source>
        <translation>no device (%1)</translation>
    </message>
    <message>
        <source>%1 (žádné zařízení)</source>
        <translation>%1 (no device)</translation>
    </message>
    <message>
        <source>port USB, řadič FTDI, D2XX - %1</source>
        <translation>USB port, FTDI converter, D2XX - %1</translation>
    </message>
    <message>
        <source>Vybraná jednotka: otevřete port tlačítkem „Otevřít port“.</source>
        <translation>Unit chosen: open the port with &quot;Open port&quot;.</translation>
    </message>
</context>
<context>
    <name>TFormTimeline</name>
    <message>
        <source>Průběh vstupů</source>
        <translation>Inputs over time</translation>
    </message>
    <message>
        <source>Zastavit</source>
        <translation>Hold</translation>
    </message>
    <message>
        <source>Vynulovat</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Rozsah:</source>
        <translation>Range:</translation>
    </message>
    <message>
        <source>2 s</source>
        <translation>2 s</translation>
    </message>
    <message>
        <source>5 s</source>
        <translation>5 s</translation>
    </message>
    <message>
        <source>10 s</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>30 s</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>1 min</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>2 min</source>
        <translation>2 min</translation>
    </message>
    <message>
        <source>5 min</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>10 min</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>Úroveň po polaritě</source>
        <translation>Level after polarity</translation>
    </message>
    <message>
        <source>Rychlé snímání</source>
        <translation>Fast sampling</translation>
    </message>
    <message>
        <source>Čte vstupy jedno čtení za druhým, tak rychle, jak to spojení dovolí (jinak každých 40 ms).</source>
        <translation>Reads the inputs one read after another, as fast as the link allows (otherwise every 40 ms).</translation>
    </message>
    <message>
        <source>Kontrola zapojení…</source>
        <translation>Wiring check…</translation>
    </message>
    <message>
        <source>Uložit záznam…</source>
        <translation>Save recording…</translation>
    </message>
    <message>
        <source>Nahrávat do souboru…</source>
        <translation>Record to file…</translation>
    </message>
    <message>
        <source>Kurzory: levé a pravé tlačítko myši v průběhu.</source>
        <translation>Cursors: left and right mouse button in the chart.</translation>
    </message>
    <message>
        <source>Kratší pulz než doba mezi dvěma čteními nemusí být zachycen, nebo bude vidět jen jednou. Vstup, který se mění u více než třetiny čtení, je šrafovaný: jeho průběh může ukazovat pomalejší změny, které neexistují, a počet změn je jen nejmenší možný (≥).</source>
        <translation>A pulse shorter than the time between two reads may be missed, or seen only once. An input that changes in more than a third of the reads is hatched: its trace may show slower changes that do not exist, and its count of changes is only the least possible (≥).</translation>
    </message>
    <message>
        <source>CSV (*.csv);;VCD – logické analyzátory (*.vcd)</source>
        <translation>CSV (*.csv);;VCD – logic analysers (*.vcd)</translation>
    </message>
    <message>
        <source>Záznam do souboru „%1“ se zastavil: %2. Co bylo zapsáno, zůstává čitelné.</source>
        <translation>Recording to the file &quot;%1&quot; stopped: %2. What was written stays readable.</translation>
    </message>
    <message>
        <source>bez odpovědi</source>
        <translation>no reply</translation>
    </message>
    <message>
        <source>snímáno po %1 ms</source>
        <translation>sampled every %1 ms</translation>
    </message>
    <message>
        <source>Pokračovat</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>Kurzor %1 je umístěn; druhý: %2 tlačítko myši.</source>
        <translation>Cursor %1 is placed; the other: %2 mouse button.</translation>
    </message>
    <message>
        <source>pravé</source>
        <translation>right</translation>
    </message>
    <message>
        <source>levé</source>
        <translation>left</translation>
    </message>
    <message>
        <source>Žádný vstup nemá Povoleno 1: není co kontrolovat.</source>
        <translation>No input has Enabled 1: there is nothing to check.</translation>
    </message>
    <message>
        <source>Uložit záznam vstupů</source>
        <translation>Save the inputs&apos; recording</translation>
    </message>
    <message>
        <source>Záznam nelze uložit do „%1“: %2</source>
        <translation>The recording cannot be saved to &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>Záznam do souboru „%1“ se zastavil: %2.</source>
        <translation>Recording to the file &quot;%1&quot; stopped: %2.</translation>
    </message>
    <message>
        <source>Záznam uložen do „%1“.</source>
        <translation>Recording saved to &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Nahrávat vstupy do souboru</source>
        <translation>Record the inputs to a file</translation>
    </message>
    <message>
        <source>Do souboru „%1“ nelze nahrávat: %2</source>
        <translation>Cannot record to the file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>Zastavit záznam</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>Nahrává se do „%1“.</source>
        <translation>Recording to &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Mezi kurzory: %1</source>
        <translation>Between the cursors: %1</translation>
    </message>
</context>
<context>
    <name>TFormWiring</name>
    <message>
        <source>Kontrola zapojení</source>
        <translation>Wiring check</translation>
    </message>
    <message>
        <source>Přeskočit</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>Uložit výsledek…</source>
        <translation>Save result…</translation>
    </message>
    <message>
        <source>Zavřít</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Naposledy se změnil: %1</source>
        <translation>Last changed: %1</translation>
    </message>
    <message>
        <source>Kontrola je hotová.</source>
        <translation>The check is done.</translation>
    </message>
    <message>
        <source>Uložit výsledek kontroly</source>
        <translation>Save the check&apos;s result</translation>
    </message>
    <message>
        <source>Výsledek nelze uložit do „%1“: %2</source>
        <translation>The result cannot be saved to &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>Kontrola zapojení jednotky %1 (%2), %3
</source>
        <translation>Wiring check of unit %1 (%2), %3
</translation>
    </message>
</context>
<context>
    <name>TTermForm</name>
    <message>
        <source>VORKA config</source>
        <translation>VORKA config</translation>
    </message>
    <message>
        <source>Jednotka</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>ID jednotky</source>
        <translation>Unit ID</translation>
    </message>
    <message>
        <source>Reset VORKA      </source>
        <translation>Reset VORKA      </translation>
    </message>
    <message>
        <source>Zresetuje jednotku</source>
        <translation>Resets the unit</translation>
    </message>
    <message>
        <source>Načíst z TORVEL</source>
        <translation>Load from TORVEL</translation>
    </message>
    <message>
        <source>Načte parametry pro MPG z konfigurace Torvel</source>
        <translation>Loads the MPG parameters from the TORVEL configuration</translation>
    </message>
    <message>
        <source>Načíst z VORKA   </source>
        <translation>Read from VORKA   </translation>
    </message>
    <message>
        <source>Načte nastavení uložené v jednotce</source>
        <translation>Reads the settings stored in the unit</translation>
    </message>
    <message>
        <source>Uložit do VORKA  </source>
        <translation>Save to VORKA  </translation>
    </message>
    <message>
        <source>Uloží nastavení do jednotky</source>
        <translation>Saves the settings into the unit</translation>
    </message>
    <message>
        <source>Defaultní nastavení</source>
        <translation>Default settings</translation>
    </message>
    <message>
        <source>Tovární nastavení jednotky</source>
        <translation>The unit&apos;s factory settings</translation>
    </message>
    <message>
        <source>Konec</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Ukončí program</source>
        <translation>Exits the program</translation>
    </message>
    <message>
        <source>Výstupy</source>
        <translation>Outputs</translation>
    </message>
    <message>
        <source>Prodleva odbrždění [0,1s] :</source>
        <translation>Brake release delay [0.1 s] :</translation>
    </message>
    <message>
        <source>(0-50)</source>
        <translation>(0-50)</translation>
    </message>
    <message>
        <source>PWM</source>
        <translation>PWM</translation>
    </message>
    <message>
        <source>Breakeout board</source>
        <translation>Breakout board</translation>
    </message>
    <message>
        <source>Polarita signálu (CLK)</source>
        <translation>Signal polarity (CLK)</translation>
    </message>
    <message>
        <source>Polarita osy X (DIR)</source>
        <translation>X axis polarity (DIR)</translation>
    </message>
    <message>
        <source>Kladná</source>
        <translation>Positive</translation>
    </message>
    <message>
        <source>Záporná</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>Polarita osy Y (DIR)</source>
        <translation>Y axis polarity (DIR)</translation>
    </message>
    <message>
        <source>Polarita osy Z (DIR)</source>
        <translation>Z axis polarity (DIR)</translation>
    </message>
    <message>
        <source>Polarita osy A (DIR)</source>
        <translation>A axis polarity (DIR)</translation>
    </message>
    <message>
        <source>OUT1</source>
        <translation>OUT1</translation>
    </message>
    <message>
        <source>Nepoužito</source>
        <translation>Not used</translation>
    </message>
    <message>
        <source>Laser</source>
        <translation>Laser</translation>
    </message>
    <message>
        <source>Chlazení</source>
        <translation>Coolant</translation>
    </message>
    <message>
        <source>Ofuk</source>
        <translation>Air blast</translation>
    </message>
    <message>
        <source>Kryt Stroje</source>
        <translation>Machine guard</translation>
    </message>
    <message>
        <source>Uvolnění nástroje</source>
        <translation>Tool release</translation>
    </message>
    <message>
        <source>Kryt nástrojů</source>
        <translation>Tool cover</translation>
    </message>
    <message>
        <source>Brzda</source>
        <translation>Brake</translation>
    </message>
    <message>
        <source>Signalizace přerušení</source>
        <translation>Interruption signal</translation>
    </message>
    <message>
        <source>OUT2</source>
        <translation>OUT2</translation>
    </message>
    <message>
        <source>OUT3</source>
        <translation>OUT3</translation>
    </message>
    <message>
        <source>Sdružení osy A</source>
        <translation>A axis slaving</translation>
    </message>
    <message>
        <source>A =&gt; A</source>
        <translation>A =&gt; A</translation>
    </message>
    <message>
        <source>X =&gt; A</source>
        <translation>X =&gt; A</translation>
    </message>
    <message>
        <source>Y =&gt; A</source>
        <translation>Y =&gt; A</translation>
    </message>
    <message>
        <source>Z =&gt; A</source>
        <translation>Z =&gt; A</translation>
    </message>
    <message>
        <source>Vstupy</source>
        <translation>Inputs</translation>
    </message>
    <message>
        <source>Vstup pro referenční spínač X</source>
        <translation>X home switch input</translation>
    </message>
    <message>
        <source>Vstup pro referenční spínač Y</source>
        <translation>Y home switch input</translation>
    </message>
    <message>
        <source>Vstup pro referenční spínač Z</source>
        <translation>Z home switch input</translation>
    </message>
    <message>
        <source>Vstup senzoru</source>
        <translation>Sensor input</translation>
    </message>
    <message>
        <source>Vstup tlačítka senzoru</source>
        <translation>Sensor button input</translation>
    </message>
    <message>
        <source>Č. vstupu pro start ref. pojezdu</source>
        <translation>Input no. to start homing</translation>
    </message>
    <message>
        <source>nepoužito</source>
        <translation>not used</translation>
    </message>
    <message>
        <source>INT 3</source>
        <translation>INT 3</translation>
    </message>
    <message>
        <source>INT 4</source>
        <translation>INT 4</translation>
    </message>
    <message>
        <source>INT 5</source>
        <translation>INT 5</translation>
    </message>
    <message>
        <source>INT 6</source>
        <translation>INT 6</translation>
    </message>
    <message>
        <source>INT 7</source>
        <translation>INT 7</translation>
    </message>
    <message>
        <source>(3-7)</source>
        <translation>(3-7)</translation>
    </message>
    <message>
        <source>MPG/Stroj</source>
        <translation>MPG/Machine</translation>
    </message>
    <message>
        <source>Převod X [kr/mm]</source>
        <translation>X ratio [steps/mm]</translation>
    </message>
    <message>
        <source>Počet kroků na 1mm osy X</source>
        <translation>Steps per 1 mm of the X axis</translation>
    </message>
    <message>
        <source>(1-10000)</source>
        <translation>(1-10000)</translation>
    </message>
    <message>
        <source>Převod Y [kr/mm]</source>
        <translation>Y ratio [steps/mm]</translation>
    </message>
    <message>
        <source>Počet kroků na 1mm osy Y</source>
        <translation>Steps per 1 mm of the Y axis</translation>
    </message>
    <message>
        <source>Převod Z [kr/mm]</source>
        <translation>Z ratio [steps/mm]</translation>
    </message>
    <message>
        <source>Počet kroků na 1mm osy Z</source>
        <translation>Steps per 1 mm of the Z axis</translation>
    </message>
    <message>
        <source>Lo-Limit X [mm]</source>
        <translation>Lo-Limit X [mm]</translation>
    </message>
    <message>
        <source>Limita osy X (pouze celé číslo)</source>
        <translation>X axis limit (whole number only)</translation>
    </message>
    <message>
        <source>(0-10000)</source>
        <translation>(0-10000)</translation>
    </message>
    <message>
        <source>Lo-Limit Y [mm]</source>
        <translation>Lo-Limit Y [mm]</translation>
    </message>
    <message>
        <source>Limita osy Y (pouze celé číslo)</source>
        <translation>Y axis limit (whole number only)</translation>
    </message>
    <message>
        <source>Lo-Limit Z [mm]</source>
        <translation>Lo-Limit Z [mm]</translation>
    </message>
    <message>
        <source>Limita osy Z (pouze celé číslo)</source>
        <translation>Z axis limit (whole number only)</translation>
    </message>
    <message>
        <source>Hi-Limit X [mm]</source>
        <translation>Hi-Limit X [mm]</translation>
    </message>
    <message>
        <source>Hi-Limit Y [mm]</source>
        <translation>Hi-Limit Y [mm]</translation>
    </message>
    <message>
        <source>Hi-Limit Z [mm]</source>
        <translation>Hi-Limit Z [mm]</translation>
    </message>
    <message>
        <source>Ke spínači X [mm/s]</source>
        <translation>To switch X [mm/s]</translation>
    </message>
    <message>
        <source>Rychlost referenčního pohybu osy X</source>
        <translation>Homing speed of the X axis</translation>
    </message>
    <message>
        <source>(1-100)</source>
        <translation>(1-100)</translation>
    </message>
    <message>
        <source>Ke spínači Y [mm/s]</source>
        <translation>To switch Y [mm/s]</translation>
    </message>
    <message>
        <source>Rychlost referenčního pohybu osy Y</source>
        <translation>Homing speed of the Y axis</translation>
    </message>
    <message>
        <source>Ke spínači Z [mm/s]</source>
        <translation>To switch Z [mm/s]</translation>
    </message>
    <message>
        <source>Rychlost referenčního pohybu osy Z</source>
        <translation>Homing speed of the Z axis</translation>
    </message>
    <message>
        <source>Max Rychlost MPG [mm/s]</source>
        <translation>Max MPG speed [mm/s]</translation>
    </message>
    <message>
        <source>Maximální rychlost MPG</source>
        <translation>Maximum MPG speed</translation>
    </message>
    <message>
        <source>Akcelerace MPG [mm/s^2]</source>
        <translation>MPG acceleration [mm/s^2]</translation>
    </message>
    <message>
        <source>Akcelerace MPG</source>
        <translation>MPG acceleration</translation>
    </message>
    <message>
        <source>Otáčky vřetene pro X10</source>
        <translation>Spindle speed for X10</translation>
    </message>
    <message>
        <source>Předefinované otáčky vřetene při X10 (pouze celé číslo)</source>
        <translation>Predefined spindle speed at X10 (whole number only)</translation>
    </message>
    <message>
        <source>(1-1000)</source>
        <translation>(1-1000)</translation>
    </message>
    <message>
        <source>Prodleva MPG [ms]</source>
        <translation>MPG delay [ms]</translation>
    </message>
    <message>
        <source>Prodleva zastavení stroje při neaktivite (pouze celé číslo)</source>
        <translation>Delay before the machine stops when idle (whole number only)</translation>
    </message>
    <message>
        <source>(1-2000)</source>
        <translation>(1-2000)</translation>
    </message>
    <message>
        <source>Použít MPG</source>
        <translation>Use MPG</translation>
    </message>
    <message>
        <source>Mpg - omezení limit</source>
        <translation>MPG - within limits</translation>
    </message>
    <message>
        <source>Mpg - bez limit</source>
        <translation>MPG - no limits</translation>
    </message>
    <message>
        <source>debug</source>
        <translation>debug</translation>
    </message>
    <message>
        <source>Příkaz</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Odpověď</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>Soubor</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Možnosti</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Uložit nastavení do souboru…</source>
        <translation>Save settings to file…</translation>
    </message>
    <message>
        <source>Načíst nastavení ze souboru…</source>
        <translation>Load settings from file…</translation>
    </message>
    <message>
        <source>Porovnat s jednotkou…</source>
        <translation>Compare with unit…</translation>
    </message>
    <message>
        <source>Zálohy jednotky…</source>
        <translation>Unit backups…</translation>
    </message>
    <message>
        <source>Sériové nastavení…</source>
        <translation>Series setup…</translation>
    </message>
    <message>
        <source>Protokol o nastavení…</source>
        <translation>Commissioning record…</translation>
    </message>
    <message>
        <source>Vždy zkontrolovat změny před zápisem</source>
        <translation>Always review changes before writing</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Průběh vstupů…</source>
        <translation>Inputs over time…</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Jazyk</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Podle systému</source>
        <translation>System language</translation>
    </message>
    <message>
        <source>Platí od příštího spuštění</source>
        <translation>Applies from the next start</translation>
    </message>
    <message>
        <source>Volbu nelze uložit: platí jen do zavření programu.</source>
        <translation>The choice cannot be saved: it holds only until the program is closed.</translation>
    </message>
    <message>
        <source>Vstup pro start referencí</source>
        <translation>Input to start homing</translation>
    </message>
    <message>
        <source>Nezjištěno</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Údaje protokolu nelze uložit pro příště: platí jen pro tento protokol.</source>
        <translation>The record&apos;s details cannot be kept for next time: they hold for this record only.</translation>
    </message>
    <message>
        <source>Protokol o nastavení</source>
        <translation>Commissioning record</translation>
    </message>
    <message>
        <source>Protokol se ukládá jako .pdf, .html nebo .txt</source>
        <translation>A record is saved as .pdf, .html or .txt</translation>
    </message>
    <message>
        <source>Protokol nelze uložit: </source>
        <translation>The record cannot be saved: </translation>
    </message>
    <message>
        <source>Protokol uložen: </source>
        <translation>Record saved: </translation>
    </message>
    <message>
        <source>Soubor nelze přečíst: </source>
        <translation>The file cannot be read: </translation>
    </message>
    <message>
        <source>
Nic nebylo zapsáno.</source>
        <translation>
Nothing was written.</translation>
    </message>
    <message>
        <source>Soubor obsahuje jen jména vstupů, která jednotka neuchovává: není co zapsat.</source>
        <translation>The file holds only input names, which the unit does not keep: there is nothing to write.</translation>
    </message>
    <message>
        <source>Seznam série nelze uložit: </source>
        <translation>The series list cannot be saved: </translation>
    </message>
    <message>
        <source>č.</source>
        <translation>#</translation>
    </message>
    <message>
        <source>Stav</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Jméno</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Polarita</source>
        <translation>Polarity</translation>
    </message>
    <message>
        <source>Povoleno</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>Nastavení VORKA (*.%1)</source>
        <translation>VORKA settings (*.%1)</translation>
    </message>
    <message>
        <source>Žádný port</source>
        <translation>No port</translation>
    </message>
    <message>
        <source>Zadávat lze jen celá čísla</source>
        <translation>Only whole numbers can be entered</translation>
    </message>
    <message>
        <source>Jednotka nenalezena</source>
        <translation>Unit not found</translation>
    </message>
    <message>
        <source>Konfigurace Torvel (*.cfg)</source>
        <translation>TORVEL configuration (*.cfg)</translation>
    </message>
    <message>
        <source>Chyba komunikace</source>
        <translation>Communication error</translation>
    </message>
    <message>
        <source>V jednotce: </source>
        <translation>In the unit: </translation>
    </message>
    <message>
        <source>Soubor nastavení pro sérii</source>
        <translation>Settings file for the series</translation>
    </message>
    <message>
        <source>Složka pro protokoly série</source>
        <translation>Folder for the series&apos; records</translation>
    </message>
    <message>
        <source>Načíst konfiguraci TORVEL</source>
        <translation>Load the TORVEL configuration</translation>
    </message>
    <message>
        <source>konfigurace TORVEL %1</source>
        <translation>TORVEL configuration %1</translation>
    </message>
    <message>
        <source>v konfiguraci TORVEL chybí: import vstup vypíná</source>
        <translation>missing in the TORVEL configuration: the import turns the input off</translation>
    </message>
</context>
<context>
    <name>WiringCheck</name>
    <message>
        <source>vstup %1</source>
        <translation>input %1</translation>
    </message>
    <message>
        <source>Sepněte a uvolněte %1</source>
        <translation>Close and release %1</translation>
    </message>
    <message>
        <source>%1: nezkontrolováno</source>
        <translation>%1: not checked</translation>
    </message>
    <message>
        <source>%1: v pořádku (mezitím se změnil i %2)</source>
        <translation>%1: good (%2 changed meanwhile too)</translation>
    </message>
    <message>
        <source>%1: v pořádku</source>
        <translation>%1: good</translation>
    </message>
    <message>
        <source>%1: v klidu je %2, Polarita je %3 – zkontrolujte polaritu</source>
        <translation>%1: at rest it is %2, Polarity is %3 – check the polarity</translation>
    </message>
    <message>
        <source>%1: nezměnil se, změnil se %2 – možná prohozené vodiče</source>
        <translation>%1: did not change, %2 changed – wires swapped?</translation>
    </message>
    <message>
        <source>%1: změna nebyla zjištěna</source>
        <translation>%1: no change seen</translation>
    </message>
    <message>
        <source>%1: vstup se mění sám – zákmity nebo rušení?</source>
        <translation>%1: the input changes by itself – bounce or noise?</translation>
    </message>
</context>
</TS>
