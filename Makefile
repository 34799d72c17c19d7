# make run: set up, build, and start Zelnar against the practice networks.
# make test: set up, build, and run every test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup build run run-real test bench clean

all: build

setup:
	@sh deps/install.sh
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja

build: setup
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	ZELNAR_WIFI=$${ZELNAR_WIFI:-sim:$(CURDIR)/tools/netsh/demo.scenario} \
	ZELNAR_WIFI_STATE=$${ZELNAR_WIFI_STATE:-$(CURDIR)/$(BUILD)/demo-wifi.state} \
	./$(BUILD)/zelnar

# Real Wi-Fi through NetworkManager.
run-real: build
	ZELNAR_WIFI=nm ./$(BUILD)/zelnar

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && echo "== $$b" && "$$b"; done; true

clean:
	rm -rf $(BUILD)

# Installation and the Debian package.
# make install [PREFIX=/usr/local] [DESTDIR=...]: the program, its netsh
# stand-in, the voice installation, manual pages, desktop entry and icon.
# make deb: build/package/zelnar_VERSION_ARCH.deb (install it with
# apt install ./build/package/zelnar_*.deb).
PREFIX ?= /usr/local
export DESTDIR
.PHONY: install uninstall deb

# CMake's manifest is rewritten by every install (the tests install too): a
# copy of it says what make install put in place.
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)" --strip
	cp $(BUILD)/install_manifest.txt $(BUILD)/installed-files.txt

# Removes what the last make install put in place (give the same DESTDIR),
# then the program's own folders left empty.
uninstall:
	@test -f $(BUILD)/installed-files.txt || { echo "no $(BUILD)/installed-files.txt: nothing installed from here"; exit 1; }
	@while IFS= read -r f || [ -n "$$f" ]; do rm -f -- "$(DESTDIR)$$f"; done < $(BUILD)/installed-files.txt
	@sed -n 's:^\(.*/\(share/doc\|share\|libexec\|lib\)/zelnar\)/.*:\1:p' $(BUILD)/installed-files.txt | sort -u | \
	  while IFS= read -r d; do find "$(DESTDIR)$$d" -depth -type d -empty -delete 2>/dev/null; done; true

deb: build
	cd $(BUILD) && cpack -G DEB
	@if command -v lintian >/dev/null; then lintian --fail-on error $(BUILD)/package/zelnar_*.deb; \
	  else echo "lintian is not installed: the package was not checked"; fi

# ---- Sanitizer build and fuzzing --------------------------------------------
# make test-asan: the program and every test built with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer (stopping at the first report) in build-asan,
# and the whole suite run there. Leaks inside system libraries only are
# ignored, as tests/lsan-suppressions.txt lists with the reasons.
# make fuzz FUZZ_SECONDS=N: the fuzz targets of fuzz/ (same build), each run
# N seconds from seeds made of the project's data; any crash, leak, timeout or
# out-of-memory fails it.
ASAN_BUILD ?= build-asan
FUZZ_SECONDS ?= 60
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan-suppressions.txt:print_suppressions=0

.PHONY: build-asan test-asan fuzz

build-asan:
	@sh deps/install.sh
	@test -f $(ASAN_BUILD)/build.ninja || \
	  CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD) -G Ninja -DZELNAR_SANITIZE=ON
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

# The tests against a running speech-dispatcher are left out: libspeechd
# reads the daemon's list of thousands of voices with string searches that the
# sanitizer checks one by one, minutes per start; the plain run has them.
test-asan: build-asan
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) -E 'Speechd|Sapi54'

fuzz: build-asan
	sh fuzz/run.sh $(ASAN_BUILD) $(FUZZ_SECONDS)
