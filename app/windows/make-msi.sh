#!/usr/bin/env bash
# Builds the Windows installer from zrt-vivoraz.wxs with wixl, then adds what wixl cannot write with
# msibuild: the install folder appended to the system PATH (an Environment table row, written by
# WriteEnvironmentStrings and taken away again by RemoveEnvironmentStrings on removal), and the
# upgrade rule's taking the installer's own version too, so that a rebuild replaces what it
# rebuilt (wixl knows no AllowSameVersionUpgrades).
#   make-msi.sh OUTPUT.msi VERSION BINDIR SOURCEDIR ICON
# VERSION is a.b.c (the product version the installer compares on upgrade: 1.9.B); BINDIR holds
# zrt-vivoraz.exe and zrt-vivoraz-cli.exe, SOURCEDIR LICENSE and README.md (installed as README.html,
# readme-html.sh).
set -euo pipefail
if [ $# -ne 5 ]; then
    echo "usage: $0 OUTPUT.msi VERSION BINDIR SOURCEDIR ICON" >&2
    exit 2
fi
output=$1 version=$2 bindir=$3 sourcedir=$4 icon=$5
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl takes the files by paths relative to its working folder.
mkdir "$work/files"
cp "$bindir/zrt-vivoraz.exe" "$bindir/zrt-vivoraz-cli.exe" "$work/files/"
"$here/readme-html.sh" "$sourcedir/README.md" "$work/files/README.html"
cp "$sourcedir/LICENSE" "$work/files/LICENSE.txt"
cp "$icon" "$work/files/zrt-vivoraz.ico"
(cd "$work" && wixl -a x64 -D Version="$version" -o package.msi "$here/zrt-vivoraz.wxs")

# Name "=-*PATH": set at install ("="), taken away at removal ("-"), the machine's variable ("*");
# "[~];[INSTALLDIR]" appends the folder to the value already there.
msibuild "$work/package.msi" -q "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL, \
\`Name\` CHAR(255) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) LOCALIZABLE, \
\`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`Environment\`)"
msibuild "$work/package.msi" \
    -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) \
VALUES ('SystemPath', '=-*PATH', '[~];[INSTALLDIR]', 'Programs')" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"

# The row that finds what this installer replaces covers versions up to its own, its own included
# (attribute 512, VersionMaxInclusive, beside 1, MigrateFeatures). The row's columns are its
# primary key: it is taken out and written anew.
upgrade_code=$(msiinfo export "$work/package.msi" Upgrade | tr -d '\r' |
    awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" { print $1 }')
[ -n "$upgrade_code" ] || { echo "$0: wixl wrote no upgrade rule" >&2; exit 1; }
msibuild "$work/package.msi" \
    -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) \
VALUES ('$upgrade_code', '$version', 513, 'WIX_UPGRADE_DETECTED')"
mkdir -p "$(dirname "$output")"
mv "$work/package.msi" "$output"
