#include "writer.hpp"

int main(int argc, char** argv)
{
	for (int i = 0; i < argc && argv[i]; ++i)
		writer_print(writer_out, argv[i], "\n", nullptr);
	writer_flush(writer_out);
	return 0;
}
