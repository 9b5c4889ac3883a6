#!/bin/sh
# An exported CSV opened by LibreOffice Calc in a German locale (the file's
# numbers read as English, as a user picks in Calc's text import) and saved
# with ";" between fields, decimal commas and its own quoting imports to the
# same table. Exit 77 (skipped) where soffice is not installed: LibreOffice is
# no dependency of the project.
# Usage: SpreadsheetRoundTrip.sh TALLOWICK_LEDGER TALLOWICK_CREATE_LEDGER
set -eu
tool=$1
create=$2
if ! command -v soffice >/dev/null 2>&1; then
    echo "soffice is not installed: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$create" original.mdb
printf '%s\r\n' \
    'number,date,description of transaction,payment / debit,tax deductible,fee,deposit / credit,balance' \
    ',,Initial Balance,0,0,0,0,1234.5' \
    '101,2004-03-07,"Rent; March, ""flat""",125.5,1,2.25,0,' \
    ',2004-03-08,Café,0,0,0,1234.5678,' \
    '-7,2024-12-31,Refund,-0.05,0,0,0,' | "$tool" import - original.mdb >/dev/null
"$tool" export --csv --output exported.csv original.mdb

LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 timeout 10 soffice -env:UserInstallation="file://$work/profile" \
    --headless --infilter='CSV:44,34,76,1,,1033' \
    --convert-to 'csv:Text - txt - csv (StarCalc):59,34,76,1' --outdir saved exported.csv >/dev/null 2>&1
if ! grep -q '^101;2004-03-07;.*;125,5;1;2,25;' saved/exported.csv; then
    echo "Calc did not write decimal commas between semicolons:"
    cat saved/exported.csv
    exit 1
fi

"$create" copy.mdb
"$tool" import saved/exported.csv copy.mdb
"$tool" export --csv --output again.csv copy.mdb
if ! cmp exported.csv again.csv; then
    diff exported.csv again.csv || true
    exit 1
fi
echo "The table came back unchanged through Calc."
