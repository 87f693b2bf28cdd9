# Runs the test again inside a session bus of its own, where the accessibility bus is started:
# for the tests that read the window through AT-SPI. Sourced first, before anything is made.
# Usage: source session_bus.sh "$@"
if [ -z "${TESSEL_IN_SESSION_BUS:-}" ]; then
  TESSEL_IN_SESSION_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
