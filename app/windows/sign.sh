#!/usr/bin/env bash
# Signs a Windows program or installer with Authenticode (osslsigncode, SHA-256): INPUT signed into
# OUTPUT, which is written only when the signing succeeded. The key is a PKCS#12 file, or a
# certificate (with its chain) and its private key as PEM files; the password of either, when it
# has one, comes from the environment variable ZRT_SIGN_PASSWORD, never from the command line. With
# an RFC 3161 timestamp server the signature stays valid after the certificate expires; a named
# server that does not answer fails the signing.
#   sign.sh (--pkcs12 FILE | --cert FILE --key FILE) [--timestamp URL] INPUT OUTPUT
set -euo pipefail
usage() {
    echo "usage: $0 (--pkcs12 FILE | --cert FILE --key FILE) [--timestamp URL] INPUT OUTPUT" >&2
    exit 2
}
key=() stamp=() pass=()
while [ $# -gt 2 ]; do
    case $1 in
        --pkcs12) key+=(-pkcs12 "$2") ;;
        --cert) key+=(-certs "$2") ;;
        --key) key+=(-key "$2") ;;
        --timestamp) stamp=(-ts "$2") ;;
        *) usage ;;
    esac
    shift 2
done
[ $# -eq 2 ] && [ ${#key[@]} -gt 0 ] || usage
input=$1 output=$2
[ -z "${ZRT_SIGN_PASSWORD+set}" ] || pass=(-readpass -)
rm -f "$output.part"
printf %s "${ZRT_SIGN_PASSWORD-}" |
    osslsigncode sign "${key[@]}" "${pass[@]}" "${stamp[@]}" -h sha256 -n ZrT_VivoRaz \
        -in "$input" -out "$output.part" >/dev/null
mv "$output.part" "$output"
