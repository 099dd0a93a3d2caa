// The official MCP client connects to the installed zorvi-mcp and reads the
// library the installed app created.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const sdk = process.env.MCP_SDK;
const { Client } = await import(pathToFileURL(join(sdk, 'dist/esm/client/index.js')));
const { StdioClientTransport } = await import(pathToFileURL(join(sdk, 'dist/esm/client/stdio.js')));

const client = new Client({ name: 'zorvi-package-test', version: '1.0.0' });
await client.connect(new StdioClientTransport({ command: process.argv[2], env: process.env, stderr: 'inherit' }));
assert.equal(client.getServerVersion().name, 'zorvi-mcp');
const { tools } = await client.listTools();
assert.ok(tools.some((tool) => tool.name === 'list_captures'));
const stats = await client.callTool({ name: 'capture_stats', arguments: {} });
assert.ok(!stats.isError, JSON.stringify(stats));
await client.close();
