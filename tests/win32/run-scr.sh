#!/bin/sh
# Starts the Windows program LUMARIS_SCR under Wine with the arguments given;
# its exit status is the program's.
exec /usr/lib/wine/wine64 "${LUMARIS_SCR:?LUMARIS_SCR names the program}" "$@"
