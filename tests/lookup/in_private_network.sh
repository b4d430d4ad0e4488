#!/bin/sh
# Runs a test program inside a network namespace of its own, where it may discover routers and ask the
# default gateway: a veth pair kst0 (10.77.0.1, the host side) and kst1 (10.77.0.2, the router), the default
# route through the router. Nothing of it touches the machine's own network. Where no namespace can be made,
# the program runs as it is and its tests skip, saying why.
if ! unshare -n true 2>/dev/null; then
  KESTRUNE_NO_PRIVATE_NETWORK="unshare -n is not permitted here (needs root or CAP_SYS_ADMIN)" exec "$@"
fi
exec unshare -n sh -c '
  set -e
  ip link set lo up
  ip link add kst0 type veth peer name kst1
  ip addr add 10.77.0.1/24 dev kst0
  ip addr add 10.77.0.2/24 dev kst1
  ip link set kst0 up
  ip link set kst1 up
  ip route add default via 10.77.0.2 dev kst0
  KESTRUNE_PRIVATE_NETWORK=1 exec "$@"' sh "$@"
