#!/bin/sh
# Runs a test program on an X server of its own (Xvfb) inside a session bus
# of its own, where the accessibility bus starts on demand.
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
