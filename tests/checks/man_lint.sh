# Every page lints clean, warnings included.
set -e
for t in $TOOLS; do
	mandoc -T lint -W warning "tools/$t/$t.1"
done
