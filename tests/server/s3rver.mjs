// The S3-compatible store the service tests upload to: @20minutes/s3rver,
// which checks every request's signature. Serves DIR/store on a free
// loopback port and writes its address to DIR/url once it listens.
import { createRequire } from 'node:module';
import { mkdirSync, writeFileSync, renameSync } from 'node:fs';

const require = createRequire(import.meta.url);
const S3rver = require('@20minutes/s3rver');

const dir = process.argv[2];
mkdirSync(`${dir}/store`, { recursive: true });
const server = new S3rver({ address: '127.0.0.1', port: 0, silent: true, directory: `${dir}/store` });
const { address, port } = await server.run();
writeFileSync(`${dir}/url.part`, `http://${address}:${port}\n`);
renameSync(`${dir}/url.part`, `${dir}/url`);
for (const signal of ['SIGTERM', 'SIGINT'])
    process.on(signal, () => server.close().then(() => process.exit(0)));
