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

test-asan: build-asan
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

fuzz: build-asan
	sh fuzz/run.sh $(ASAN_BUILD) $(FUZZ_SECONDS)
