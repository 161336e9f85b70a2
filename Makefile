# Four static probes on musl, their support library, and their tests.

PREFIX ?= /usr/local
BINDIR ?= $(PREFIX)/bin
MANDIR ?= $(PREFIX)/share/man

B := build
CC := gcc
CXX := g++
AR := ar
MUSL_INC := /usr/include/x86_64-linux-musl
MUSL_SPECS := /usr/lib/x86_64-linux-musl/musl-gcc.specs
GCC_INC = $(shell $(CXX) -print-file-name=include)

WARN := -Wall -Wextra
# No C++ runtime: nothing to unwind, no type info, no guarded statics;
# loop idioms must not turn into calls to the C library's memcpy.
NORUNTIME := -fno-exceptions -fno-rtti -fno-threadsafe-statics \
	-fno-asynchronous-unwind-tables -fno-unwind-tables \
	-fno-tree-loop-distribute-patterns -fno-stack-protector
TARGET_CXXFLAGS = -std=c++20 -O2 $(WARN) $(NORUNTIME) -nostdinc \
	-isystem $(MUSL_INC) -isystem $(GCC_INC) -fno-pie \
	-ffunction-sections -fdata-sections -ffile-prefix-map=$(CURDIR)/= -Ilib
TARGET_LDFLAGS := -specs $(MUSL_SPECS) -static -no-pie -Wl,--gc-sections \
	-Wl,-z,noseparate-code \
	-Wl,--build-id=none
HOST_CXXFLAGS := -std=c++20 -O1 -g $(WARN) -Ilib -Itools
TEST_LIBS := -lgtest -lgtest_main -pthread

LIB_OBJS := \
	lib/bytes/cstr_length.o \
	lib/bytes/cstr_index.o \
	lib/bytes/cstr_compare.o \
	lib/bytes/bytes_copy.o \
	lib/writer/write_all.o \
	lib/writer/flush.o \
	lib/writer/put.o \
	lib/writer/puts.o \
	lib/writer/putalign.o \
	lib/writer/putsalign.o \
	lib/writer/putflush.o \
	lib/writer/putsflush.o \
	lib/writer/printv.o \
	lib/writer/out.o \
	lib/writer/err.o \
	lib/format/format_decimal.o \
	lib/format/decimal_text.o \
	lib/format/format_octal.o \
	lib/format/octal_text.o \
	lib/format/octal_text_padded.o \
	lib/opt/init.o \
	lib/opt/next.o \
	lib/opt/program_name.o \
	lib/front/standard_options.o

TOOLS := \
	argreport \
	envreport \
	idreport \
	limitreport

argreport_OBJS := \
	tools/argreport/argreport.o

envreport_OBJS := \
	tools/envreport/envreport.o

idreport_OBJS := \
	tools/idreport/idreport.o

limitreport_OBJS := \
	tools/limitreport/limitreport.o \
	tools/limitreport/limit_table.o

UNIT_TESTS := \
	tests/unit/bytes_test.o \
	tests/unit/writer_test.o \
	tests/unit/opt_test.o \
	tests/unit/format_test.o \
	tests/unit/limit_table_test.o \
	tests/unit/entry_test.o

E2E_TESTS := \
	tests/e2e/harness.o \
	tests/e2e/argreport_test.o \
	tests/e2e/front_test.o \
	tests/e2e/envreport_test.o \
	tests/e2e/idreport_test.o \
	tests/e2e/limitreport_test.o \
	tests/e2e/faults_test.o \
	tests/e2e/binary_test.o

DEPS_STAMP := $(B)/deps.stamp
LIBPROBE := $(B)/target/libprobe.a
BINS := $(TOOLS:%=$(B)/bin/%)

all: $(BINS)

$(DEPS_STAMP): scripts/install-deps
	@mkdir -p $(@D)
	@scripts/install-deps
	@touch $@

$(B)/target/%.o: %.cpp Makefile | $(DEPS_STAMP)
	@mkdir -p $(@D)
	$(CXX) $(TARGET_CXXFLAGS) -MMD -MP -c -o $@ $<

$(LIBPROBE): $(LIB_OBJS:%=$(B)/target/%)
	@rm -f $@
	$(AR) rcD $@ $^

.SECONDEXPANSION:
$(B)/bin/%: $$(addprefix $(B)/target/,$$($$*_OBJS)) $(LIBPROBE) Makefile
	@mkdir -p $(@D)
	$(CC) $(TARGET_LDFLAGS) -o $@ $(filter %.o,$^) $(LIBPROBE)

TOOL_OBJS = $(foreach t,$(TOOLS),$($(t)_OBJS))

# An empty program built exactly like the probes: exec and exit only.
$(B)/bench/floor: $(B)/target/bench/floor.o Makefile
	@mkdir -p $(@D)
	$(CC) $(TARGET_LDFLAGS) -o $@ $<

bench: $(BINS) $(B)/bench/floor
	bench/run $(B)

# Host builds for the tests, plain (host) and with AddressSanitizer and
# UndefinedBehaviorSanitizer (san); each tool's entry is renamed so that
# the tests can call it in-process.
SAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all \
	-fno-omit-frame-pointer
host_FLAGS :=
san_FLAGS := $(SAN_FLAGS)

define host_build
$(B)/$(1)/%.o: %.cpp Makefile | $(DEPS_STAMP)
	@mkdir -p $$(@D)
	$(CXX) $$(HOST_CXXFLAGS) $($(1)_FLAGS) -MMD -MP -c -o $$@ $$<

$(B)/$(1)/tools/%.o: tools/%.cpp Makefile | $(DEPS_STAMP)
	@mkdir -p $$(@D)
	$(CXX) $$(HOST_CXXFLAGS) $($(1)_FLAGS) -Dmain=$$(notdir $$*)_main -MMD -MP -c -o $$@ $$<

# Named here so make keeps them and notices when one is missing.
$(addprefix $(B)/$(1)/,$(LIB_OBJS) $(TOOL_OBJS) $(UNIT_TESTS)):
endef
$(eval $(call host_build,host))
$(eval $(call host_build,san))
$(addprefix $(B)/target/,$(LIB_OBJS) $(TOOL_OBJS) bench/floor.o):
$(addprefix $(B)/host/,$(E2E_TESTS)):

$(B)/tests/unit: $(patsubst %,$(B)/host/%,$(UNIT_TESTS) $(LIB_OBJS) $(TOOL_OBJS))
	@mkdir -p $(@D)
	$(CXX) -o $@ $^ $(TEST_LIBS)

$(B)/tests/unit-san: $(patsubst %,$(B)/san/%,$(UNIT_TESTS) $(LIB_OBJS) $(TOOL_OBJS))
	@mkdir -p $(@D)
	$(CXX) $(SAN_FLAGS) -o $@ $^ $(TEST_LIBS)

$(B)/host/tests/e2e/%.o: HOST_CXXFLAGS += -DPROBE_BIN=\"$(abspath $(B)/bin)\"

$(B)/tests/e2e: $(patsubst %,$(B)/host/%,$(E2E_TESTS))
	@mkdir -p $(@D)
	$(CXX) -o $@ $^ $(TEST_LIBS)

# libFuzzer targets, each against the library sources it exercises.
FUZZ_TARGETS := opt writer
FUZZ_SECONDS ?= 180
FUZZ_CXX := clang++
FUZZ_FLAGS := -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
	-fno-sanitize-recover=all -Ilib
FUZZ_SOURCES := $(filter-out lib/front/%,$(LIB_OBJS:.o=.cpp))

$(B)/fuzz/%: fuzz/%_fuzz.cpp $(FUZZ_SOURCES) Makefile | $(DEPS_STAMP)
	@mkdir -p $(@D)
	$(FUZZ_CXX) $(FUZZ_FLAGS) -o $@ $< $(FUZZ_SOURCES)

fuzz: $(FUZZ_TARGETS:%=$(B)/fuzz/%)
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p $(B)/fuzz/found-$$t; \
		echo "fuzzing $$t for $(FUZZ_SECONDS)s"; \
		$(B)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=$(B)/fuzz/ $(B)/fuzz/found-$$t fuzz/corpus/$$t \
			>$(B)/fuzz/$$t.log 2>&1; status=$$?; \
		grep -E '^stat::(number_of_executed_units|new_units_added)' $(B)/fuzz/$$t.log; \
		[ $$status -eq 0 ] || { tail -n 40 $(B)/fuzz/$$t.log; exit 1; }; \
	done

check: $(BINS) $(B)/tests/unit $(B)/tests/unit-san $(B)/tests/e2e
	@tests/run $(B) $(TOOLS)

run: $(BINS)
	@echo '$$ argreport one "two words" ""'; $(B)/bin/argreport one "two words" ""
	@echo '$$ env -i HOME=/root TERM=dumb envreport'; env -i HOME=/root TERM=dumb $(B)/bin/envreport
	@echo '$$ envreport -V'; $(B)/bin/envreport -V 2>&1
	@echo '$$ envreport -h'; $(B)/bin/envreport -h 2>&1
	@echo '$$ idreport'; $(B)/bin/idreport
	@echo '$$ limitreport'; $(B)/bin/limitreport

MANS := $(foreach t,$(TOOLS),tools/$(t)/$(t).1)

install: $(BINS)
	install -d $(DESTDIR)$(BINDIR) $(DESTDIR)$(MANDIR)/man1
	install -s -m 0755 $(BINS) $(DESTDIR)$(BINDIR)
	install -m 0644 $(MANS) $(DESTDIR)$(MANDIR)/man1

uninstall:
	rm -f $(TOOLS:%=$(DESTDIR)$(BINDIR)/%) $(TOOLS:%=$(DESTDIR)$(MANDIR)/man1/%.1)

clean:
	rm -rf $(B)

.PHONY: all check run fuzz bench install uninstall clean

-include $(shell find $(B) -name '*.d' 2>/dev/null)
