# Sourced: which Windows build this machine can run under Wine.
# Murivane ships as a 32-bit program (i686). Some machines' kernels cannot run
# 32-bit Linux programs at all, and so cannot run the 32-bit Wine; there the
# Windows build and its tests are made for 64-bit Windows (x86_64) instead and
# run under the 64-bit Wine, from the same sources. MURIVANE_WINARCH chooses
# one by hand.
murivane_winarch() {
  if [ -n "${MURIVANE_WINARCH:-}" ]; then echo "$MURIVANE_WINARCH"; return 0; fi
  # The 32-bit Wine loader answers --version only where 32-bit programs run;
  # before the packages are there, the shipped build is assumed.
  if [ ! -e /usr/lib/wine/wine ] || /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo i686
  else
    echo x86_64
  fi
}
