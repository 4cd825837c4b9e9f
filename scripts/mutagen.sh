# Sourced by the scripts that tag MP3 files with python3-mutagen: sets
# $python to a Python that imports mutagen (Debian's, when another python3
# comes first on PATH), or stops the script with a clear message.
python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c 'import mutagen' 2>/dev/null; then
        python="$candidate"
        break
    fi
done
[ -n "$python" ] || { echo "$0: python3-mutagen is missing (apt-get install python3-mutagen)" >&2; exit 1; }
