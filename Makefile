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
