// Plays a coding agent: the official MCP client drives the built zorvi-mcp
// over stdio to comment on and resolve one capture, then files nothing else.
// Usage: node agent.mjs <zorvi-mcp> <capture id>   (ZORVI_HOME names the library)
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';

const [server, id] = process.argv.slice(2);
const client = new Client({ name: 'zorvi-board-agent', version: '1.0.0' });
await client.connect(new StdioClientTransport({
  command: server, env: { ...process.env, ZORVI_AGENT: 'claude-code' }, stderr: 'inherit',
}));
for (const [name, args] of [
  ['comment_on_capture', { id, body: 'Looking at the checkout handler now.' }],
  ['resolve_capture', { id, reference: 'PR #7' }],
]) {
  const result = await client.callTool({ name, arguments: args });
  if (result.isError) {
    console.error(name, JSON.stringify(result.content));
    process.exit(1);
  }
}
await client.close();
