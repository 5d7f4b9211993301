#!/bin/sh
# Runs a command on its own virtual X server (1024x768, 24-bit).
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
