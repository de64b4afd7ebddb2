# Shared by scripts/test and bench/fuzz: the libFuzzer build in build-fuzz/
# (Debian's clang, AddressSanitizer and UndefinedBehaviorSanitizer) and its
# targets, one fuzz/<name>.cpp with its seed corpus fuzz/corpus/<name>/ each.
# Needs ROOT, from common.sh.

FUZZ_BUILD=$ROOT/build-fuzz

# The targets set G_DEBUG's fatal-criticals themselves (GLib reads the
# variable before they start); it is set here as well for whatever else
# starts with them.  Leak checking stays on: every input's objects must be
# freed.  The freed-memory quarantine is kept small: at the default 256 MB
# a run of some minutes slows down tenfold, and 16 MB still holds many
# inputs' worth of freed blocks for use-after-free checks.
export G_DEBUG=fatal-criticals
export ASAN_OPTIONS=abort_on_error=1:quarantine_size_mb=16
export UBSAN_OPTIONS=print_stacktrace=1

fuzz_targets() {
  local source
  for source in "$ROOT"/fuzz/*.cpp; do basename "$source" .cpp; done
}

fuzz_build() {
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$FUZZ_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTA_FUZZ=ON -DKESTA_WERROR=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$FUZZ_BUILD" -j "$(nproc)" --target fuzz
}

# fuzz_seeds NAME: runs the target once on every file of its seed corpus;
# fails on a crash, a leak or a failed check, whose input is kept beside the
# log in build-fuzz/.
fuzz_seeds() {
  local name=$1
  echo "fuzz: $name on $(ls "$ROOT/fuzz/corpus/$name" | wc -l) seeds"
  "$FUZZ_BUILD/fuzz/$name" -runs=0 -artifact_prefix="$FUZZ_BUILD/$name-" "$ROOT/fuzz/corpus/$name" \
    2>"$FUZZ_BUILD/$name.seeds.log" || { cat "$FUZZ_BUILD/$name.seeds.log"; return 1; }
}
