#!/bin/sh
# The default bank in resources/ is what its generator writes.
# usage: default-bank.sh GENERATOR COMMITTED-BANK
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$work/DefaultBank.fxb"
cmp "$work/DefaultBank.fxb" "$2"
echo "default-bank: $2 matches its generator"
