#!/bin/sh
# Runs a command on its own virtual X server (LUMARIS_SCREEN, default
# 1024x768, 24-bit; LUMARIS_XVFB_OPTIONS adds server options).
exec xvfb-run -a -s "-screen 0 ${LUMARIS_SCREEN:-1024x768}x24 -nolisten tcp -noreset ${LUMARIS_XVFB_OPTIONS:-}" "$@"
